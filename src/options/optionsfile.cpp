#include "optionsfile.h"

#include "optionvalues.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

QString OptionsFile::defaultPath(const Environment &environment)
{
    QString base = QFile::decodeName(environment("XDG_CONFIG_HOME"));
    // The XDG rules ignore a relative XDG_CONFIG_HOME.
    if (base.isEmpty() || QDir::isRelativePath(base)) {
        const QString home = QFile::decodeName(environment("HOME"));
        if (home.isEmpty())
            return {};
        base = home + QLatin1String("/.config");
    }
    return base + QLatin1String("/talk-countdown/talk-countdown.conf");
}

OptionsFile::OptionsFile(QString path)
    : m_path(std::move(path))
{}

TalkOptions OptionsFile::read()
{
    TalkOptions options;
    const QFileInfo info(m_path);
    if (m_path.isEmpty() || !info.exists())
        return options;
    if (!info.isFile() || info.size() > MaxBytes) {
        warn(QStringLiteral("talk-countdown: %1: ignored: %2")
                 .arg(m_path, info.isFile() ? QStringLiteral("larger than %1 KiB, not an options "
                                                             "file")
                                                  .arg(MaxBytes / 1024)
                                            : QStringLiteral("not a regular file")));
        return options;
    }
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        warn(QStringLiteral("talk-countdown: %1: ignored: %2").arg(m_path, file.errorString()));
        return options;
    }
    // QSettings gives no line numbers, so the lines are found in the text.
    scanLines(QString::fromUtf8(file.read(MaxBytes)));
    file.close();

    // Only read from: without setValue() QSettings never writes the file back.
    const QSettings settings(m_path, QSettings::IniFormat);
    const QString baseDir = QFileInfo(m_path).absolutePath();
    for (const QString &key : settings.allKeys()) {
        if (key.startsWith(QLatin1Char('#'))) // a comment in another INI dialect
            continue;
        const QVariant value = settings.value(key);
        // An unquoted comma makes QSettings split the value; "stages=5:00,2:00" is one value.
        const QString text = value.typeId() == QMetaType::QStringList
                                 ? value.toStringList().join(QLatin1Char(','))
                                 : value.toString();
        m_texts.insert(key, text);
        const OptionValues::Option *option = OptionValues::find(key);
        if (option && option->kind == OptionValues::Kind::Command) {
            ignore(key, QStringLiteral("a command for a running bar, not a setting"));
            continue;
        }
        if (!option) {
            ignore(key, QStringLiteral("not an option of talk-countdown"));
            continue;
        }
        if (const auto reason = option->parse(options, text, baseDir))
            ignore(key, *reason);
    }
    return options;
}

void OptionsFile::ignore(const QString &key, const QString &reason)
{
    warn(note(key, QLatin1String("ignored: ") + reason));
}

QString OptionsFile::note(const QString &key, const QString &what) const
{
    return QStringLiteral("talk-countdown: %1 %2=%3 %4")
        .arg(location(key), OptionValues::quoted(key), OptionValues::quoted(m_texts.value(key)),
             what);
}

QStringList OptionsFile::warnings() const
{
    if (m_unshownWarnings == 0)
        return m_warnings;
    return m_warnings
           + QStringList{QStringLiteral("talk-countdown: %1: %2 more problems not shown")
                             .arg(m_path)
                             .arg(m_unshownWarnings)};
}

void OptionsFile::warn(const QString &line)
{
    if (m_warnings.size() < MaxWarnings)
        m_warnings << line;
    else
        ++m_unshownWarnings;
}

QString OptionsFile::location(const QString &key) const
{
    const int line = m_lines.value(key);
    return line > 0 ? QStringLiteral("%1:%2:").arg(m_path).arg(line) : m_path + QLatin1Char(':');
}

void OptionsFile::scanLines(const QString &text)
{
    QString section;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        const int number = int(i + 1);
        if (line.isEmpty() || line.startsWith(QLatin1Char(';'))
            || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2).trimmed();
            // QSettings files the [General] section's keys at the top level.
            if (section.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0)
                section.clear();
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals < 0) {
            warn(QStringLiteral("talk-countdown: %1:%2: '%3' ignored: not key=value")
                     .arg(m_path)
                     .arg(number)
                     .arg(OptionValues::quoted(line)));
            continue;
        }
        const QString key = line.left(equals).trimmed();
        m_lines.insert(section.isEmpty() ? key : section + QLatin1Char('/') + key, number);
    }
}
