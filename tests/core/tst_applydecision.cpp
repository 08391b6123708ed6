#include "applydecision.h"

#include <QTest>

// The verdict on OK, from the three lists' numbers alone; "" stands for an empty list.
namespace {
std::optional<int> number(const QString &text)
{
    return text.isEmpty() ? std::nullopt : std::optional<int>(text.toInt());
}
} // namespace

class TestApplyDecision : public QObject
{
    Q_OBJECT

private slots:
    void accepted_data()
    {
        QTest::addColumn<QString>("minutes");
        QTest::addColumn<QString>("seconds");
        QTest::addColumn<QString>("reminder");
        QTest::addColumn<int>("presetMinutes");
        QTest::addColumn<int>("presetSeconds");
        QTest::addColumn<bool>("reminderGiven");
        QTest::addColumn<int>("reminderSeconds");
        QTest::addRow("5:07") << "5"
                              << "7"
                              << "30" << 5 << 7 << true << 30;
        QTest::addRow("12:40") << "12"
                               << "40"
                               << "30" << 12 << 40 << true << 30;
        QTest::addRow("0:00 without reminder") << "0"
                                               << "0"
                                               << "0" << 0 << 0 << false << 0;
        QTest::addRow("reminder equal to the talk") << "0"
                                                    << "30"
                                                    << "30" << 0 << 30 << true << 30;
        QTest::addRow("1:00 with reminder 59") << "1"
                                               << "0"
                                               << "59" << 1 << 0 << true << 59;
        QTest::addRow("0:01 with reminder 1") << "0"
                                              << "1"
                                              << "1" << 0 << 1 << true << 1;
        QTest::addRow("longest talk") << "59"
                                      << "59"
                                      << "59" << 59 << 59 << true << 59;
        QTest::addRow("minutes alone") << "3"
                                       << "0"
                                       << "45" << 3 << 0 << true << 45;
    }

    void accepted()
    {
        QFETCH(QString, minutes);
        QFETCH(QString, seconds);
        QFETCH(QString, reminder);
        QFETCH(int, presetMinutes);
        QFETCH(int, presetSeconds);
        QFETCH(bool, reminderGiven);
        QFETCH(int, reminderSeconds);
        const ApplyDecision d =
            ApplyDecision::decide(number(minutes), number(seconds), number(reminder));
        QVERIFY(d.accepted);
        QCOMPARE(d.message, QString());
        QCOMPARE(d.presetMinutes, qint16(presetMinutes));
        QCOMPARE(d.presetSeconds, qint16(presetSeconds));
        QCOMPARE(d.reminderGiven, reminderGiven);
        if (reminderGiven)
            QCOMPARE(d.reminderSeconds, qint16(reminderSeconds));
    }

    void refused_data()
    {
        QTest::addColumn<QString>("minutes");
        QTest::addColumn<QString>("seconds");
        QTest::addColumn<QString>("reminder");
        QTest::addColumn<QString>("message");
        const QString tooLate = QStringLiteral("设置无效，提醒时间大于计时时间");
        QTest::addRow("reminder one past the talk") << "0"
                                                    << "30"
                                                    << "31" << tooLate;
        QTest::addRow("0:58 with reminder 59") << "0"
                                               << "58"
                                               << "59" << tooLate;
        QTest::addRow("0:00 with reminder 1") << "0"
                                              << "0"
                                              << "1" << tooLate;
        QTest::addRow("both lists empty") << ""
                                          << ""
                                          << "30" << QStringLiteral("计时时间为0");
        QTest::addRow("both lists empty, no reminder") << ""
                                                       << ""
                                                       << "0" << QStringLiteral("计时时间为0");
    }

    void refused()
    {
        QFETCH(QString, minutes);
        QFETCH(QString, seconds);
        QFETCH(QString, reminder);
        QFETCH(QString, message);
        const ApplyDecision d =
            ApplyDecision::decide(number(minutes), number(seconds), number(reminder));
        QVERIFY(!d.accepted);
        QCOMPARE(d.message, message);
    }
};

QTEST_APPLESS_MAIN(TestApplyDecision)
#include "tst_applydecision.moc"
