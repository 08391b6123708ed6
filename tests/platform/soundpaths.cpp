#include "soundpaths.h"

#include "wavfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 OneGiB = qint64(1) << 30;

} // namespace

QByteArray SoundPaths::wav(const Wav &w)
{
    // A quiet square wave, so a file that does get played is no surprise to anyone near.
    QByteArray samples;
    for (qint64 i = 0; i < w.dataBytes; ++i)
        samples += char((i / 16) % 2 ? 0x04 : 0x00);
    return WavFile::encode({w.tag, w.channels, w.rate, w.bits}, samples, w.claimedBytes);
}

SoundPaths::SoundPaths() = default;

SoundPaths::~SoundPaths()
{
    releaseFifoReaders();
}

QStringList SoundPaths::keys()
{
    return {"missing",
            "empty path",
            "directory",
            "/dev/zero",
            "/dev/urandom",
            "fifo",
            "symlink to a fifo",
            "dangling symlink",
            "empty file",
            "truncated in the header",
            "truncated in the samples",
            "data size lies",
            "data ends mid-sample",
            "data before format",
            "zero channels",
            "absurd sample rate",
            "1 GiB sparse",
            "not a WAV",
            "RIFF but not WAVE",
            "valid",
            "valid 24-bit stereo",
            "valid, odd name",
            "own alert sound"};
}

QString SoundPaths::file(const QString &name, const QByteArray &content)
{
    const QString path = m_dir.filePath(name);
    if (!WavFile::save(path, content))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QString SoundPaths::path(const QString &key)
{
    // Made once: rewriting a file the player may be loading would change what it sees.
    if (const auto made = m_made.constFind(key); made != m_made.cend())
        return *made;
    const QString path = make(key);
    m_made.insert(key, path);
    return path;
}

QString SoundPaths::make(const QString &key)
{
    if (key == QLatin1String("missing"))
        return m_dir.filePath(QStringLiteral("missing.wav"));
    if (key == QLatin1String("empty path"))
        return QString();
    if (key == QLatin1String("directory")) {
        QDir(m_dir.path()).mkpath(QStringLiteral("folder.wav"));
        return m_dir.filePath(QStringLiteral("folder.wav"));
    }
    if (key.startsWith(QLatin1String("/dev/")))
        return key;
    if (key == QLatin1String("fifo")) {
        const QString path = m_dir.filePath(QStringLiteral("fifo.wav"));
        if (!m_fifos.contains(path)) {
            if (::mkfifo(QFile::encodeName(path).constData(), 0600) != 0)
                qFatal("mkfifo %s failed", qPrintable(path));
            m_fifos << path;
        }
        return path;
    }
    if (key == QLatin1String("symlink to a fifo")) {
        const QString link = m_dir.filePath(QStringLiteral("link to fifo.wav"));
        QFile::link(path(QStringLiteral("fifo")), link);
        return link;
    }
    if (key == QLatin1String("dangling symlink")) {
        const QString link = m_dir.filePath(QStringLiteral("dangling.wav"));
        QFile::link(m_dir.filePath(QStringLiteral("gone.wav")), link);
        return link;
    }
    if (key == QLatin1String("empty file"))
        return file(QStringLiteral("empty.wav"), QByteArray());
    if (key == QLatin1String("truncated in the header"))
        return file(QStringLiteral("cut-header.wav"), smallWav().left(30));
    if (key == QLatin1String("truncated in the samples"))
        return file(QStringLiteral("cut-samples.wav"), smallWav().left(44 + 800));
    if (key == QLatin1String("data size lies")) {
        // As left by a recorder that never came back to fill in the size.
        return file(QStringLiteral("lies.wav"), wav({.claimedBytes = 0xFFFFFFF0}));
    }
    if (key == QLatin1String("data ends mid-sample"))
        return file(QStringLiteral("mid-sample.wav"), wav({.dataBytes = 1601}));
    if (key == QLatin1String("data before format")) {
        QByteArray b = smallWav();
        // RIFF header, then "data" with its samples, then "fmt ".
        const QByteArray fmt = b.mid(12, 24);
        b.remove(12, 24);
        b += fmt;
        return file(QStringLiteral("data-first.wav"), b);
    }
    if (key == QLatin1String("zero channels"))
        return file(QStringLiteral("no-channels.wav"), wav({.channels = 0}));
    if (key == QLatin1String("absurd sample rate"))
        return file(QStringLiteral("fast.wav"), wav({.rate = 4'000'000'000u}));
    if (key == QLatin1String("1 GiB sparse")) {
        // A consistent header for a gigabyte of silence that takes no disk space.
        const QString path =
            file(QStringLiteral("huge.wav"), wav({.dataBytes = 0, .claimedBytes = OneGiB - 44}));
        if (::truncate(QFile::encodeName(path).constData(), OneGiB) != 0)
            qFatal("truncate %s failed", qPrintable(path));
        return path;
    }
    if (key == QLatin1String("not a WAV"))
        return file(QStringLiteral("notes.wav"), "ID3\x04 not really a sound, just text\n");
    if (key == QLatin1String("RIFF but not WAVE")) {
        QByteArray b = smallWav();
        b.replace(8, 4, "AVI ");
        return file(QStringLiteral("movie.wav"), b);
    }
    if (key == QLatin1String("valid"))
        return file(QStringLiteral("valid.wav"), smallWav());
    if (key == QLatin1String("valid 24-bit stereo"))
        return file(QStringLiteral("deep.wav"),
                    wav({.channels = 2, .rate = 44100, .bits = 24, .dataBytes = 6 * 400}));
    if (key == QLatin1String("valid, odd name")) {
        // Spaces, Chinese and a name of 200+ characters (still under 255 bytes).
        const QString folder = QStringLiteral("演讲 提醒 声音");
        QDir(m_dir.path()).mkpath(folder);
        const QString name = QStringLiteral("铃声 %1 结束.wav").arg(QString(200, QLatin1Char('x')));
        return file(folder + QLatin1Char('/') + name, smallWav());
    }
    if (key == QLatin1String("own alert sound"))
        return QCoreApplication::applicationDirPath() + QStringLiteral("/blip.wav");
    qFatal("unknown sound path key %s", qPrintable(key));
    return QString();
}

bool SoundPaths::releaseReaders(const QStringList &fifos)
{
    bool released = false;
    for (const QString &fifo : fifos) {
        // Fails at once unless a reader is waiting; it then sees a writer come and go (EOF).
        const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) {
            ::close(fd);
            released = true;
        }
    }
    return released;
}
