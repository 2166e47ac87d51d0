// Keypad dialog: the editing keys, the value setters and getters, and the modal use.
#include "dialogs/numinputbox.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>

class TestNumInputBox : public QObject
{
    Q_OBJECT

private:
    static void press(NumInputBox &box, const QString &key)
    {
        auto *button = box.findChild<QPushButton *>(key);
        QVERIFY2(button, qPrintable(key));
        QTest::mouseClick(button, Qt::LeftButton);
    }

    static QTextEdit *field(NumInputBox &box)
    {
        return box.findChild<QTextEdit *>(QStringLiteral("textEdit"));
    }

    static QPushButton *boxButton(NumInputBox &box, QDialogButtonBox::StandardButton which)
    {
        return box.findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"))->button(which);
    }

private slots:
    void constructsWithoutWarnings()
    {
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
        NumInputBox box;
        QCOMPARE(box.getStrVal(), QString());
        QCOMPARE(box.findChild<QLabel *>(QStringLiteral("prompt"))->text(),
                 QStringLiteral("ENTER VALUE:"));
    }

    void keys_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QString>("value");

        const auto keys = [](const char *list) {
            return QString::fromLatin1(list).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        };
        QTest::newRow("all digits in order")
            << QString() << keys("butDig1 butDig2 butDig3 butDig4 butDig5 butDig6 butDig7 "
                                 "butDig8 butDig9 butDig0")
            << QStringLiteral("1234567890");
        QTest::newRow("leading zeros kept")
            << QString() << keys("butDig0 butDig0 butDig7") << QStringLiteral("007");
        QTest::newRow("second point ignored")
            << QString() << keys("butDig1 butPt butDig5 butPt") << QStringLiteral("1.5");
        QTest::newRow("point on empty entry")
            << QString() << keys("butPt") << QStringLiteral(".");
        QTest::newRow("sign on empty entry") << QString() << keys("butNeg") << QStringLiteral("-");
        QTest::newRow("sign twice on empty entry")
            << QString() << keys("butNeg butNeg") << QString();
        QTest::newRow("sign on 12.5") << QStringLiteral("12.5") << keys("butNeg")
                                      << QStringLiteral("-12.5");
        QTest::newRow("sign twice on 12.5") << QStringLiteral("12.5") << keys("butNeg butNeg")
                                            << QStringLiteral("12.5");
        QTest::newRow("sign in front of typed digits")
            << QString() << keys("butDig4 butDig2 butNeg") << QStringLiteral("-42");
        QTest::newRow("backspace drops last") << QStringLiteral("123") << keys("butBksp")
                                              << QStringLiteral("12");
        QTest::newRow("backspace on one character") << QStringLiteral("7") << keys("butBksp")
                                                    << QString();
        QTest::newRow("backspace on empty") << QString() << keys("butBksp butBksp") << QString();
        QTest::newRow("backspace removes point, point allowed again")
            << QStringLiteral("1.") << keys("butBksp butPt butDig2") << QStringLiteral("1.2");
        QTest::newRow("digits follow a start value")
            << QStringLiteral("0") << keys("butDig4 butDig8 butDig2") << QStringLiteral("0482");
    }

    void keys()
    {
        QFETCH(QString, start);
        QFETCH(QStringList, keys);
        QFETCH(QString, value);

        NumInputBox box;
        box.setValue(start);
        for (const QString &key : keys)
            press(box, key);
        QCOMPARE(box.getStrVal(), value);
        QCOMPARE(field(box)->toPlainText(), value);
        QCOMPARE(field(box)->textCursor().position(), int(value.size()));
    }

    void getters_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("intVal");
        QTest::addColumn<double>("doubleVal");

        QTest::newRow("integer") << QStringLiteral("482") << 482 << 482.0;
        QTest::newRow("negative integer") << QStringLiteral("-17") << -17 << -17.0;
        QTest::newRow("leading zeros") << QStringLiteral("0482.7093") << 0 << 482.7093;
        QTest::newRow("trailing point") << QStringLiteral("3.") << 0 << 3.0;
        QTest::newRow("leading point") << QStringLiteral(".25") << 0 << 0.25;
        QTest::newRow("minus only") << QStringLiteral("-") << 0 << 0.0;
        QTest::newRow("point only") << QStringLiteral(".") << 0 << 0.0;
        QTest::newRow("minus point") << QStringLiteral("-.") << 0 << 0.0;
        QTest::newRow("empty") << QString() << 0 << 0.0;
        QTest::newRow("beyond int") << QStringLiteral("3000000000") << 0 << 3e9;
        QTest::newRow("beyond double") << QString(400, QLatin1Char('9')) << 0 << 0.0;
    }

    void getters()
    {
        QFETCH(QString, text);
        QFETCH(int, intVal);
        QFETCH(double, doubleVal);

        NumInputBox box;
        box.setValue(text);
        QCOMPARE(box.getStrVal(), text);
        QCOMPARE(box.getIntVal(), intVal);
        QCOMPARE(box.getDoubleVal(), doubleVal);
    }

    void setDouble_data()
    {
        QTest::addColumn<double>("number");
        QTest::addColumn<QString>("text");

        QTest::newRow("ten thousand") << 10000.0 << QStringLiteral("10000");
        QTest::newRow("quarter") << 0.25 << QStringLiteral("0.25");
        QTest::newRow("seven digits") << 1234567.0 << QStringLiteral("1.23457e+06");
        QTest::newRow("ten thousandth") << 0.0001 << QStringLiteral("0.0001");
        QTest::newRow("hundred thousandth") << 0.00001 << QStringLiteral("1e-05");
        QTest::newRow("negative") << -2.5 << QStringLiteral("-2.5");
        QTest::newRow("zero") << 0.0 << QStringLiteral("0");
    }

    void setDouble()
    {
        QFETCH(double, number);
        QFETCH(QString, text);

        NumInputBox box;
        box.SetValue(number);
        QCOMPARE(box.getStrVal(), text);
        QCOMPARE(field(box)->toPlainText(), text);
    }

    void setInt()
    {
        NumInputBox box;
        box.SetValue(-305);
        QCOMPARE(box.getStrVal(), QStringLiteral("-305"));
        box.SetValue(0);
        QCOMPARE(field(box)->toPlainText(), QStringLiteral("0"));
    }

    void prompt()
    {
        NumInputBox box;
        box.SetPrompt(QStringLiteral("Enter X"));
        QCOMPARE(box.findChild<QLabel *>(QStringLiteral("prompt"))->text(),
                 QStringLiteral("Enter X"));
    }

    void okAcceptsAndValueStays()
    {
        NumInputBox box;
        box.setValue(QString());
        QTimer::singleShot(0, &box, [&box] {
            if (QApplication::activeModalWidget() != &box)
                return box.reject();
            press(box, QStringLiteral("butDig3"));
            press(box, QStringLiteral("butPt"));
            QTest::mouseClick(boxButton(box, QDialogButtonBox::Ok), Qt::LeftButton);
        });
        QCOMPARE(box.exec(), int(QDialog::Accepted));
        QCOMPARE(box.getStrVal(), QStringLiteral("3."));
        QCOMPARE(box.getDoubleVal(), 3.0);
        QCOMPARE(box.getIntVal(), 0);

        // A second run of the same keypad starts from what the first one left.
        QTimer::singleShot(0, &box, [&box] {
            press(box, QStringLiteral("butDig5"));
            QTest::mouseClick(boxButton(box, QDialogButtonBox::Cancel), Qt::LeftButton);
        });
        QCOMPARE(box.exec(), int(QDialog::Rejected));
        QCOMPARE(box.getStrVal(), QStringLiteral("3.5"));
    }

    void centresOnScreen()
    {
        QWidget parent;
        parent.setGeometry(10, 10, 200, 100);
        parent.show();
        NumInputBox box(&parent);
        box.centreOnScreen();
        const QRect screen = box.screen()->geometry();
        QCOMPARE(box.pos() + box.rect().center(), screen.center());
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        // The frame is placed: its position plus the dialog's own centre is the screen's.
        QCOMPARE(box.pos() + box.rect().center(), screen.center());
    }

    // OK and Cancel are touch keys like the others, standing in the third and fourth rows.
    void okCancelInKeyGrid()
    {
        NumInputBox box;
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        const auto top = [&box](QWidget *w) { return w->mapTo(&box, QPoint(0, 0)).y(); };
        QPushButton *ok = boxButton(box, QDialogButtonBox::Ok);
        QPushButton *cancel = boxButton(box, QDialogButtonBox::Cancel);
        QVERIFY(ok->width() >= 75 && ok->height() >= 51);
        QVERIFY(cancel->width() >= 75 && cancel->height() >= 51);
        QCOMPARE(top(ok), top(box.findChild<QPushButton *>(QStringLiteral("butDig3"))));
        QCOMPARE(top(cancel), top(box.findChild<QPushButton *>(QStringLiteral("butPt"))));
    }

    void form_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");

        const char *keys[][2] = {{"butDig0", "0"}, {"butDig1", "1"}, {"butDig2", "2"},
                                 {"butDig3", "3"}, {"butDig4", "4"}, {"butDig5", "5"},
                                 {"butDig6", "6"}, {"butDig7", "7"}, {"butDig8", "8"},
                                 {"butDig9", "9"}, {"butPt", "."},   {"butNeg", "+/-"},
                                 {"butBksp", "BKSP"}};
        for (const auto &key : keys)
            QTest::newRow(key[0]) << QString::fromLatin1(key[0]) << QString::fromLatin1(key[1]);
    }

    void form()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);

        NumInputBox box;
        QCOMPARE(box.windowTitle(), QStringLiteral("Dialog"));
        QCOMPARE(box.size(), QSize(383, 403));
        auto *button = box.findChild<QPushButton *>(name);
        QVERIFY(button);
        QCOMPARE(button->text(), text);
        QVERIFY(button->width() >= 75 && button->height() >= 51);
    }
};

QTEST_MAIN(TestNumInputBox)
#include "tst_numinputbox.moc"
