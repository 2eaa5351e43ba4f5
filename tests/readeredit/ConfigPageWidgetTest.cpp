// The configuration page widgets on the offscreen platform: a right-click inside a group's
// frame offers that group's entries, elsewhere nothing; an edit reaches the module on commit.

#include "CConfigPageWidget.h"
#include "VELKReaderModul.h"
#include "WkReaderEditDoc.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QtTest>

class ConfigPageWidgetTest : public QObject {
    Q_OBJECT
private slots:
    void FrameMenusAndEdits() {
        WkReaderEditDoc doc(nullptr);
        VELKReaderModul& modul = doc.Modul();
        WkConfigPage page(ReaderPageTables()[0], doc);
        CConfigPageWidget widget(page);
        widget.resize(600, 600);
        widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
        QGroupBox* frame = widget.Frame("[0x43] Datablock Definition");
        QVERIFY(frame);
        const auto entries = widget.MenuAt(frame->geometry().center());
        QCOMPARE(int(entries.size()), 2);
        QCOMPARE(entries[0].text, std::string("Send [0x43] Datablock Definition"));
        QCOMPARE(entries[1].text, std::string("Read [0x43] Datablock Definition"));
        QVERIFY(widget.MenuAt(QPoint(widget.width() - 1, widget.height() - 1)).empty());

        auto* check = widget.findChild<QWidget*>("control1255")->findChild<QCheckBox*>();
        QVERIFY(check);
        check->click();                      // "Halt"
        QCOMPARE(int(modul.Image(1)[0]), 0); // not before the commit
        QVERIFY(page.Commit());
        QCOMPARE(int(modul.Image(1)[0]), 0x08);
    }
};

QTEST_MAIN(ConfigPageWidgetTest)
#include "ConfigPageWidgetTest.moc"
