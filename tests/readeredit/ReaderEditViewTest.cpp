// The reader configuration view on the offscreen platform against kestra-sim: a reader file
// opens, the view shows, port 1 is chosen in the COM list and Read All reads the reader.

#include "CReaderEditSheet.h"
#include "OwnPortList.h"
#include "ScriptedPrompts.h"
#include "SimProcess.h"
#include "TestReaderHost.h"
#include "WkReaderEditDoc.h"
#include "WkReaderEditView.h"
#include "sorn.h"

#include <QComboBox>
#include <QPushButton>
#include <QtTest>

#include <sstream>

class ReaderEditViewTest : public QObject {
    Q_OBJECT
private slots:
    void OpenShowChoosePortAndReadAll() {
        simtest::SimProcess sim({"--map-port", "1", "--model", "KRB"});
        QVERIFY(!sim.WaitReady().empty());
        ScriptedPrompts prompts;
        TestReaderHost host(prompts);
        const std::string path = (portList_.Dir() / "reader.rdr").string();
        {
            WkReaderEditDoc saved(nullptr);
            saved.OnNewDocument();
            QVERIFY(saved.SaveFile(path));
        }
        auto doc = std::make_shared<WkReaderEditDoc>(&host);
        doc->SetPrompts(&prompts);
        QVERIFY(doc->OnOpenDocument(path));
        const int port = host.libraries.OpenPort("1");
        QVERIFY(port > 0);

        {
            WkReaderEditView view(doc);
            view.show();
            QVERIFY(QTest::qWaitForWindowExposed(&view));
            QCOMPARE(view.Sheet().count(), 8);
            QCOMPARE(view.Sheet().tabText(0), QString("Miscellaneous Commands"));
            auto* comList = view.findChild<QComboBox*>("comList");
            auto* readAll = view.findChild<QPushButton*>("readAll");
            QVERIFY(comList && readAll);
            QCOMPARE(comList->count(), 2);
            QVERIFY(!readAll->isEnabled());

            view.Sheet().setCurrentIndex(1); // a configuration page, where Read All is offered
            comList->setFocus();
            QTest::keyClick(comList, Qt::Key_Down);
            QCOMPARE(comList->currentText(), QString("1"));
            QVERIFY(readAll->isEnabled());
            QTest::mouseClick(readAll, Qt::LeftButton);
        }
        for (int block = 0; block < 3; ++block) {
            QVERIFY(doc->Modul().IsBlockRead(block));
        }
        std::istringstream state(sim.Control("state"));
        std::string word;
        state >> word >> word;
        for (int i = 0; i < 16; ++i) {
            state >> word;
            QCOMPARE(int(doc->Modul().Image(11)[i]), int(std::stoul(word, nullptr, 16)));
        }
        QCOMPARE(int(doc->Modul().BaseImage()[1]), 1);
        host.libraries.ClosePort(port);
    }

private:
    simtest::OwnPortList portList_{"corvel-rdrview"};
};

QTEST_MAIN(ReaderEditViewTest)
#include "ReaderEditViewTest.moc"
