// The reader configuration view on the offscreen platform against kestra-sim: a reader file
// opens, the view shows, port 1 is chosen in the COM list and Read All reads the reader; a
// baud rate detection leaves only its Cancel usable, and ends with the port as it was however
// the editor goes away.

#include "CReaderEditSheet.h"
#include "OwnPortList.h"
#include "ScriptedPrompts.h"
#include "SimProcess.h"
#include "TestReaderHost.h"
#include "WkReaderEditDoc.h"
#include "WkReaderEditView.h"
#include "sorn.h"

#include <QComboBox>
#include <QLineEdit>
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

    void DetectionLeavesOnlyCancelAndEndsWithThePortAsItWas() {
        simtest::SimProcess sim({"--map-port", "1", "--model", "KRB"});
        QVERIFY(!sim.WaitReady().empty());
        QCOMPARE(sim.Control("fault silent 36"), std::string("ok")); // no rate is found
        ScriptedPrompts prompts;
        TestReaderHost host(prompts);
        const int port = host.libraries.OpenPort("1");
        QVERIFY(port > 0);
        host.portChoice = port;
        auto settings = [&] {
            std::string baud, frame, timeout;
            host.libraries.GetPortPara(port, "baud", baud);
            host.libraries.GetPortPara(port, "frame", frame);
            host.libraries.GetPortPara(port, "timeout", timeout);
            return baud + " " + frame + " " + timeout;
        };
        const std::string before = settings();
        auto doc = std::make_shared<WkReaderEditDoc>(&host);
        doc->SetPrompts(&prompts);
        doc->OnNewDocument();
        auto view = std::make_unique<WkReaderEditView>(doc);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        auto* cancel = view->findChild<QPushButton*>("cancelBusy");
        QVERIFY(cancel && !cancel->isVisible());
        // "[0x52] Baudrate Detection", the first entry of the command panel, and one attempt.
        auto start = [&] {
            QTest::mouseClick(view->findChild<QPushButton*>("sendPage"), Qt::LeftButton);
            QVERIFY(view->Model().IsBusy());
            QVERIFY(!view->Model().StepBusy());
            QVERIFY(settings() != before);
        };

        start();
        QVERIFY(!view->Sheet().isEnabled());
        for (const char* name : {"sendPage", "readPage", "sendAll", "readAll", "resetEditor"}) {
            QVERIFY2(!view->findChild<QPushButton*>(name)->isEnabled(), name);
        }
        QVERIFY(!view->findChild<QComboBox*>("comList")->isEnabled());
        QVERIFY(!view->findChild<QLineEdit*>("busAddress")->isEnabled());
        QVERIFY(cancel->isVisible() && cancel->isEnabled());
        QTest::mouseClick(cancel, Qt::LeftButton);
        QVERIFY(!view->Model().IsBusy() && view->Sheet().isEnabled() && !cancel->isVisible());
        QCOMPARE(settings(), before);

        start(); // the editor is asked to close
        QVERIFY(doc->CanCloseFrame());
        QVERIFY(!view->Model().IsBusy());
        QCOMPARE(settings(), before);

        start(); // the view goes with the last reference to its document
        doc.reset();
        view.reset();
        QCOMPARE(settings(), before);
        QCOMPARE(sim.Control("fault none"), std::string("ok"));
        host.libraries.ClosePort(port);
    }

private:
    simtest::OwnPortList portList_{"corvel-rdrview"};
};

QTEST_MAIN(ReaderEditViewTest)
#include "ReaderEditViewTest.moc"
