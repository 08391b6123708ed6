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

    // $XDG_CONFIG_HOME/talk-countdown/talk-countdown.conf, under ~/.config when XDG_CONFIG_HOME
    // is unset; empty when neither tells where the configuration lives.
    static QString defaultPath(const Environment &environment);

    explicit OptionsFile(QString path);

    // What the file sets; empty when it does not exist. Refused values go to warnings().
    TalkOptions read();
    const QStringList &warnings() const { return m_warnings; }
    const QString &path() const { return m_path; }

    // Reports that `key`, read earlier, is left out for `reason` (one line for stderr).
    void ignore(const QString &key, const QString &reason);

private:
    void scanLines(const QString &text);
    QString location(const QString &key) const;

    QString m_path;
    QStringList m_warnings;
    QHash<QString, int> m_lines;     // "section/key" or "key" -> line number
    QHash<QString, QString> m_texts; // key -> value as written
};
