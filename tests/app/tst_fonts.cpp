#include "bar.h"
#include "barfixture.h"
#include "barmenu.h"
#include "layout.h"
#include "noticewindow.h"
#include "picturebox.h"
#include "qttranslation.h"
#include "settingspanel.h"
#include "soundfilecheck.h"
#include "titlebar.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRawFont>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QTextLayout>
#include <QTranslator>

#include <memory>

// Chinese captions must render with real glyphs. Empty boxes are dark pixels too, so this
// asks the fonts actually chosen (fallbacks included) for a glyph of every character.
// The texts are Chinese unless English is asked for, and English ones fit their controls.
class TestFonts : public QObject
{
    Q_OBJECT

private:
    const QLocale m_locale;

    // Every text a speaker reads, in a fixed order: the menu (with Continue), the title, the
    // panel, a refused OK, the "..." choice of a wrong file, the notice, Qt's own OK, and the
    // --sound reason on stderr (English in every language, as the rest of its line).
    static QStringList shownTexts()
    {
        BarFixture f(BarFixture::NoticeKind::Real);
        QStringList texts;
        for (const QAction *action : f.menu()->actions()) {
            if (!action->isSeparator())
                texts << action->text();
        }
        f.bar->start();
        f.bar->pauseOrContinue();
        texts << f.menuItem("resum")->text() << Bar::title();
        for (const Layout::Control &c : Layout::barSettingsPanel()) {
            if (const auto *label = f.bar->findChild<QLabel *>(QLatin1String(c.name)))
                texts << label->text();
            else if (const auto *b = f.bar->findChild<QAbstractButton *>(QLatin1String(c.name)))
                texts << b->text();
        }
        f.apply(0, 10, QStringLiteral("30"));
        f.dialog.answers = {QStringLiteral("/tmp/talk.mp3")};
        f.click("Command1");
        for (const FakeMessageBox::Shown &box : f.messages.shown)
            texts << box.title << box.text;
        texts << f.dialog.lastTitle << f.dialog.lastFilter;
        f.realNotice->open(30, f.clock.nowMs());
        texts << noticeParts(f.realNotice->window()).message->text()
              << noticeParts(f.realNotice->window()).unit->text();
        f.realNotice->openClosingMessage(f.clock.nowMs());
        texts << noticeParts(f.realNotice->window()).message->text();
        QMessageBox box(QMessageBox::Warning, QString(), QString(), QMessageBox::Ok);
        texts << box.button(QMessageBox::Ok)->text();
        texts << SoundFileCheck::problem(QStringLiteral("a.mp3"))->section(QLatin1Char(' '), 0, 3);
        return texts;
    }

    static QString missingGlyphs(const QFont &font, const QString &text)
    {
        QTextLayout layout(text, font);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        QString missing;
        qsizetype covered = 0;
        for (const QGlyphRun &run : layout.glyphRuns()) {
            const QList<quint32> indexes = run.glyphIndexes();
            covered += indexes.size();
            if (indexes.contains(0)) // glyph 0 is .notdef, the empty box
                missing += run.rawFont().familyName() + QLatin1Char(' ');
        }
        if (covered < text.size())
            missing +=
                QStringLiteral("(only %1 of %2 characters shaped)").arg(covered).arg(text.size());
        return missing;
    }

private slots:
    void cleanup()
    {
        qDeleteAll(qApp->findChildren<QTranslator *>()); // a deleted one is uninstalled
        QLocale::setDefault(m_locale);
    }

    void textsInTheLanguageAsked_data()
    {
        QTest::addColumn<QString>("lang");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QStringList>("expected");
        // clang-format off
        const QStringList chinese = {
            "启动", "暂停", "设置", "退出", "继续", "演讲倒计时",
            "计时时间：", "分", "秒", "提醒时刻：", "秒", "不提醒", "提醒声音：", "...", "确定", "取消",
            "无边框", "计时", "设置无效，提醒时间大于计时时间", "打开文件", "文件格式不正确",
            "选择wav文件", "声音文件(*.wav)", "剩余", "秒", "时间到，谢谢！", "确定",
            "not a WAV file"};
        const QStringList english = {
            "Start", "Pause", "Settings", "Exit", "Continue", "Talk Countdown",
            "Length:", "min", "s", "Reminder:", "s", "No reminder", "Sound:", "...", "OK", "Cancel",
            "No border", "Countdown", "Invalid settings: the reminder is longer than the talk",
            "Open file", "Wrong file format", "Choose a WAV file", "Sound files (*.wav)",
            "Left", "s", "Time's up, thank you!", "OK", "not a WAV file"};
        // clang-format on
        QTest::addRow("en") << "en" << QLocale(QLocale::Chinese, QLocale::China) << english;
        QTest::addRow("zh") << "zh" << QLocale(QLocale::English) << chinese;
        QTest::addRow("none, English locale") << "" << QLocale(QLocale::English) << chinese;
    }

    void textsInTheLanguageAsked()
    {
        QFETCH(QString, lang);
        QFETCH(QLocale, locale);
        QFETCH(QStringList, expected);
        QLocale::setDefault(locale);
        QVERIFY(QtTranslation::install(*qApp, lang));
        QCOMPARE(shownTexts(), expected);
    }

    // The panel and the notice are laid out in fixed rectangles: no caption may be cut, and
    // the notice's "left" must end before its digits.
    void captionsFitTheirControls_data()
    {
        QTest::addColumn<QString>("lang");
        QTest::addRow("en") << "en";
        QTest::addRow("zh") << "zh";
    }

    void captionsFitTheirControls()
    {
        QFETCH(QString, lang);
        QVERIFY(QtTranslation::install(*qApp, lang));
        BarFixture f(BarFixture::NoticeKind::Real);
        f.bar->openSettings();
        QStringList cut;
        const auto check = [&cut](const QWidget *w, const QString &text, int room) {
            const int needed = w->fontMetrics().horizontalAdvance(text);
            if (needed > room)
                cut << QStringLiteral("%1 \"%2\" needs %3 px, has %4")
                           .arg(w->objectName(), text)
                           .arg(needed)
                           .arg(room);
        };
        for (const Layout::Control &c : Layout::barSettingsPanel()) {
            const auto *w = f.bar->findChild<QWidget *>(QLatin1String(c.name));
            QStyleOptionButton option;
            option.initFrom(w);
            if (const auto *label = qobject_cast<const QLabel *>(w)) {
                check(w, label->text(), label->contentsRect().width());
                // Its letters clear of every other control, by 3 px after them as the Chinese
                // ones are ("min" ran into the seconds list); the Chinese ones exactly where
                // they are laid out.
                const QRect letters(w->x() + label->contentsRect().left() - 1, w->y(),
                                    w->fontMetrics().horizontalAdvance(label->text()) + 4,
                                    w->height());
                for (const QWidget *other :
                     w->parentWidget()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
                    if (other != w && other->isVisibleTo(f.bar.get())
                        && other->geometry().intersects(letters))
                        cut << w->objectName() + QLatin1String(" touches ") + other->objectName();
                }
                if (lang == QLatin1String("zh") && w->geometry() != c.geometry.toPixels())
                    cut << w->objectName() + QLatin1String(" moved");
            } else if (const auto *box = qobject_cast<const QCheckBox *>(w)) {
                const QRect r = w->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, w);
                check(w, box->text(), r.width());
                // A box widened for its caption must not run into a neighbour or off the bar.
                for (const QWidget *other :
                     w->parentWidget()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
                    if (other != w && other->isVisibleTo(f.bar.get())
                        && other->geometry().intersects(w->geometry()))
                        cut << w->objectName() + QLatin1String(" overlaps ") + other->objectName();
                }
                if (!w->parentWidget()->rect().contains(w->geometry()))
                    cut << w->objectName() + QLatin1String(" leaves the bar");
            } else if (const auto *b = qobject_cast<const QPushButton *>(w)) {
                const QRect r =
                    w->style()->subElementRect(QStyle::SE_PushButtonContents, &option, w);
                check(w, b->text(), r.width());
            }
        }
        f.realNotice->open(30, f.clock.nowMs());
        const NoticeWindow *notice = f.realNotice->window();
        check(noticeParts(notice).message, noticeParts(notice).message->text(),
              noticeParts(notice).tens->x() - noticeParts(notice).message->x());
        check(noticeParts(notice).unit, noticeParts(notice).unit->text(),
              noticeParts(notice).unit->width());
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1String("; "))));
    }

    void captionsHaveGlyphs_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("which"); // bar, title, notice
        for (const Layout::Control &c : Layout::barSettingsPanel()) {
            if (*c.caption)
                QTest::addRow("%s", c.name) << QString::fromUtf8(c.caption) << "bar";
        }
        for (const Layout::MenuItem &m : Layout::barMenu())
            QTest::addRow("menu %s", m.name) << QString::fromUtf8(m.caption) << "bar";
        QTest::addRow("continue") << "继续"
                                  << "bar";
        QTest::addRow("warnings")
            << "计时时间为0设置无效，提醒时间大于计时时间文件格式不正确打开文件"
            << "bar";
        QTest::addRow("title") << Bar::title() << "title";
        for (const Layout::Control &c : Layout::noticeControls()) {
            if (*c.caption)
                QTest::addRow("notice %s", c.name) << QString::fromUtf8(c.caption) << "notice";
        }
        QTest::addRow("closing message") << "时间到，谢谢！"
                                         << "notice";
    }

    void captionsHaveGlyphs()
    {
        QFETCH(QString, text);
        QFETCH(QString, which);
        const QFont font = which == QLatin1String("notice")  ? NoticeWindow::labelFont()
                           : which == QLatin1String("title") ? TitleBar::titleFont()
                                                             : QApplication::font();
        const QString missing = missingGlyphs(font, text);
        QVERIFY2(missing.isEmpty(),
                 qPrintable(QStringLiteral("no glyph for \"%1\" in %2").arg(text, missing)));
    }

    // Qt's own texts speak Chinese too: a box's button, a text box's context menu.
    void qtOwnTextsAreChinese()
    {
        QVERIFY(QtTranslation::install(*qApp));
        QMessageBox box(QMessageBox::Warning, QString(), QString(), QMessageBox::Ok);
        QCOMPARE(box.button(QMessageBox::Ok)->text(), QStringLiteral("确定"));
        QLineEdit edit;
        std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
        const QString undo = menu->actions().constFirst()->text();
        QVERIFY2(!undo.contains(QLatin1String("Undo")), qPrintable(undo));
        QVERIFY2(undo.front().script() == QChar::Script_Han, qPrintable(undo));
    }

    void noticeFontIsLargeAndBold()
    {
        const QFontInfo info(NoticeWindow::labelFont());
        QCOMPARE(info.pointSize(), 24);
        QVERIFY(info.bold());
    }
};

QTEST_MAIN(TestFonts)
#include "tst_fonts.moc"
