// About box: the version line and how it closes.
#include "dialogs/aboutdialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

class TestAboutDialog : public QObject
{
    Q_OBJECT

private slots:
    void showsVersion()
    {
        AboutDialog about;
        const auto *label = about.findChild<QLabel *>(QStringLiteral("label"));
        QVERIFY(label);
        QCOMPARE(label->text(), QStringLiteral("Version 1.3 02-07-2014"));
        QCOMPARE(label->font().pointSize(), 14);
        about.setVersion();
        QCOMPARE(label->text(), QStringLiteral("Version 1.3 02-07-2014"));
        QCOMPARE(about.windowTitle(), QStringLiteral("Dialog"));
        QCOMPARE(about.size(), QSize(400, 164));
    }

    void closes_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("result");

        QTest::newRow("OK") << int(QDialogButtonBox::Ok) << int(QDialog::Accepted);
        QTest::newRow("Cancel") << int(QDialogButtonBox::Cancel) << int(QDialog::Rejected);
    }

    void closes()
    {
        QFETCH(int, button);
        QFETCH(int, result);

        QWidget parent;
        AboutDialog about(&parent);
        about.setVersion();
        QTimer::singleShot(0, &about, [&about, button] {
            if (QApplication::activeModalWidget() != &about)
                return about.done(-1);
            auto *box = about.findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
            QTest::mouseClick(box->button(QDialogButtonBox::StandardButton(button)),
                              Qt::LeftButton);
        });
        QCOMPARE(about.exec(), result);
    }
};

QTEST_MAIN(TestAboutDialog)
#include "tst_aboutdialog.moc"
