#pragma once

#include "talkoptions.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>

// The speaker's options file: the long options as INI keys (reminder=30, borderless=true,
// length=20:00). Read only; a refused value is left out and reported with its line.
class OptionsFile
{
public:
    using Environment = std::function<QByteArray(const char *)>;

    // A dozen keys fit in a few hundred bytes; anything much larger is not an options file, and
    // reading it would hold up the bar.
    static constexpr qint64 MaxBytes = 64 * 1024;
    // Lines about one file on stderr; the rest are counted in one more line.
    static constexpr qsizetype MaxWarnings = 10;

    // $XDG_CONFIG_HOME/talk-countdown/talk-countdown.conf, under ~/.config when XDG_CONFIG_HOME
    // is unset; empty when neither tells where the configuration lives.
    static QString defaultPath(const Environment &environment);

    explicit OptionsFile(QString path);

    // What the file sets; empty when it does not exist, is no regular file (a FIFO would block)
    // or is larger than MaxBytes. Refused values go to warnings().
    TalkOptions read();
    // One line each for stderr, at most MaxWarnings and a count of the others.
    QStringList warnings() const;
    const QString &path() const { return m_path; }

    // Reports that `key`, read earlier, is left out for `reason` (one line for stderr).
    void ignore(const QString &key, const QString &reason);
    // One line for stderr about `key` as the file sets it: "<file>:<line>: key=value <what>".
    QString note(const QString &key, const QString &what) const;

private:
    void scanLines(const QString &text);
    void warn(const QString &line);
    QString location(const QString &key) const;

    QString m_path;
    QStringList m_warnings;
    qsizetype m_unshownWarnings = 0;
    QHash<QString, int> m_lines;     // "section/key" or "key" -> line number
    QHash<QString, QString> m_texts; // key -> value as written
};
