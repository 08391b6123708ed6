#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Paths a user might give as the alert sound, good and bad, made on demand in a private
// folder. Each is named by a short key that the tests use as their row names.
class SoundPaths
{
public:
    // A PCM WAV file's fields; dataBytes of samples follow, whatever the header claims.
    struct Wav
    {
        quint16 tag = 1;
        quint16 channels = 1;
        quint32 rate = 8000;
        quint16 bits = 16;
        qint64 dataBytes = 1600;
        qint64 claimedBytes = -1; // the data chunk's size field; -1: dataBytes
    };

    static QByteArray wav(const Wav &w);
    // A short valid mono file.
    static QByteArray smallWav() { return wav(Wav{}); }

    SoundPaths();
    ~SoundPaths();

    bool isValid() const { return m_dir.isValid(); }
    // Every key path() knows, in a stable order.
    static QStringList keys();
    // Makes the path for a key at its first use.
    QString path(const QString &key);
    // Unblocks anyone stuck opening one of the FIFOs for reading; true if someone was.
    bool releaseFifoReaders() { return releaseReaders(m_fifos); }
    // The same for a list taken beforehand, so that another thread can do it.
    QStringList fifos() const { return m_fifos; }
    static bool releaseReaders(const QStringList &fifos);

private:
    QString make(const QString &key);
    QString file(const QString &name, const QByteArray &content);

    QTemporaryDir m_dir;
    QStringList m_fifos;
    QHash<QString, QString> m_made;
};
