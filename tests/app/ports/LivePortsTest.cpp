// The workbench's windows with the port manager, the COM-Port dialog and auto-answer over the
// real serial-port library, against kestra-sim on port 1.

#include "CComPortDlg.h"
#include "CMainFrame.h"
#include "CorvelApp.h"
#include "SornBinding.h"
#include "WkAutoAnswer.h"
#include "WkComPortChoice.h"
#include "WkComPortManager.h"
#include "WkLogChildFrame.h"
#include "WkLogView.h"
#include "WkPrompts.h"
#include "WkReaderChoice.h"
#include "sorn.h"

#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <filesystem>

namespace {

class LivePrompts : public WkPrompts {
public:
    std::vector<std::string> messages;
    void ShowMessage(const std::string& text, Icon) override { messages.push_back(text); }
    bool AskYesNo(const std::string& text) override {
        messages.push_back(text);
        return false;
    }
    // The protocol window's lines may go when the program ends.
    Answer AskYesNoCancel(const std::string&) override { return Answer::No; }
    int SelectFromList(const std::string&, const std::string&, const std::vector<std::string>&,
                       int) override {
        return -1;
    }
    std::optional<std::string> AskOpenFileName() override { return std::nullopt; }
    std::optional<std::string> AskSaveFileName(const std::string&) override { return std::nullopt; }
    int SelectComPort(const WkComPortChoice& choice) override { return choice.ResultFor(0); }
    std::optional<WkReaderSelection> SelectReader(const WkReaderChoice&) override {
        return std::nullopt;
    }
    int SelectReaderType() override { return 0; }
};

} // namespace

class LivePortsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        qputenv("SORN_PORTS", (dir_.path() + "/ports").toLocal8Bit());
        QFile(dir_.path() + "/ports").open(QIODevice::WriteOnly);
        sim_.start(KESTRA_SIM, {"--link", dir_.path() + "/kestra0", "--map-port", "1"});
        QVERIFY(sim_.waitForStarted(5000));
        QTRY_VERIFY_WITH_TIMEOUT(MapNamesPortOne(), 5000);
        QFile ini(dir_.path() + "/Corvel.ini");
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[1.COMPort]\nCOM=1\nBaud=9600\nFrame=8E1\nTimeout=800\n");
        ini.close();
        std::filesystem::current_path(dir_.path().toStdString());
    }

    void dialogShowsTheSimulatorPortAndAutoAnswerShowsItsFrames() {
        SornBinding sorn;
        LivePrompts prompts;
        WkComPortManager ports(sorn, sorn, prompts);
        // The display keeps the application's reference and uses it from start-up on.
        struct Parts {
            SornBinding& sorn;
            LivePrompts& prompts;
            WkComPortManager& ports;
            WkAutoAnswer autoAnswer{app, sorn, prompts};
            CorvelApp app{
                {.libraries = sorn, .prompts = prompts, .ports = ports, .autoAnswer = autoAnswer}};
        } parts{sorn, prompts, ports};
        CorvelApp& app = parts.app;
        std::unique_ptr<CMainFrame> frame;
        QVERIFY(app.InitInstance(
            [&]() -> WkFrameHost* {
                frame = std::make_unique<CMainFrame>(app);
                frame->SetComPortCommand([&] {
                    CComPortDlg dialog(ports, sorn, prompts, frame.get());
                    dialog.exec();
                });
                return frame.get();
            },
            {}));
        frame->showNormal();
        frame->resize(1000, 640);
        QCoreApplication::processEvents();
        QVERIFY2(prompts.messages.empty(),
                 prompts.messages.empty() ? "" : prompts.messages.front().c_str());
        const int port = sorn.GetPortHandle("1");
        QVERIFY(port > 0);

        {
            // The dialog the command opens shows the restored port.
            CComPortDlg dialog(ports, sorn, prompts, frame.get());
            dialog.show();
            const QListWidget* open = dialog.findChild<QListWidget*>("listOpenPorts");
            QCOMPARE(open->count(), 1);
            QCOMPARE(open->item(0)->text(), QString("COM:1"));
            QCOMPARE(dialog.ShownPort(), port);
            if (!qEnvironmentVariableIsEmpty("CORVEL_UI_SHOTS")) {
                dialog.grab().save(qEnvironmentVariable("CORVEL_UI_SHOTS") + "/comport.png");
            }
        }

        // The reader's auto-answer mode on (0x40: serial number in a frame, once).
        unsigned char request[] = {0x05, 0x00, 0x40, 0x11, 0x05 ^ 0x40 ^ 0x11};
        unsigned char answer[16] = {};
        QCOMPARE(SORN_Transceive(port, request, 5, answer, sizeof answer), 5);
        QCOMPARE(int(answer[3]), 0);

        QVERIFY(frame->Action(32830)->isEnabled());
        frame->RunCommand(32830);
        QVERIFY(app.IsAutoAnswerOn());
        QCOMPARE(frame->Pane(1)->text(), QString("Auto Answer on"));
        QVERIFY(frame->Action(32831)->isEnabled());
        sim_.write("tag TTB 0102030405\n");

        WkLogView* view = frame->ProtocolFrame()->View();
        QTRY_VERIFY_WITH_TIMEOUT(
            view->toPlainText().contains("  <<  0B 00 11 00 01 01 02 03 04 05 1A"), 5000);
        if (!qEnvironmentVariableIsEmpty("CORVEL_UI_SHOTS")) {
            frame->grab().save(qEnvironmentVariable("CORVEL_UI_SHOTS") + "/autoanswer.png");
        }
        frame->RunCommand(32831);
        QVERIFY(!app.IsAutoAnswerOn());
        QCOMPARE(frame->Pane(1)->text(), QString(""));

        QElapsedTimer exitTime;
        exitTime.start();
        frame->close();
        QVERIFY(exitTime.elapsed() < 10000);   // no hang; a loaded machine may be slow
        QVERIFY(sorn.GetPortHandle("1") <= 0); // saved and closed at exit
    }

    void cleanupTestCase() {
        sim_.terminate();
        sim_.waitForFinished(5000);
    }

private:
    bool MapNamesPortOne() {
        QFile map(dir_.path() + "/ports");
        return map.open(QIODevice::ReadOnly) && map.readAll().contains("1=");
    }

    QTemporaryDir dir_;
    QProcess sim_;
};

QTEST_MAIN(LivePortsTest)
#include "LivePortsTest.moc"
