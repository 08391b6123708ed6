#include "form2.h"
#include "layout.h"
#include "noticeform.h"
#include "qttranslation.h"
#include "titlebar.h"

#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRawFont>
#include <QTest>
#include <QTextLayout>

#include <memory>

// Chinese captions must render with real glyphs. Empty boxes are dark pixels too, so this
// asks the fonts actually chosen (fallbacks included) for a glyph of every character.
class TestFonts : public QObject
{
    Q_OBJECT

private:
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
        QTest::addRow("title") << Form2::Title << "title";
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
        const QFont font = which == QLatin1String("notice")  ? NoticeForm::labelFont()
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
        const QFontInfo info(NoticeForm::labelFont());
        QCOMPARE(info.pointSize(), 24);
        QVERIFY(info.bold());
    }
};

QTEST_MAIN(TestFonts)
#include "tst_fonts.moc"
