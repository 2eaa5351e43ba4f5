// The workbench over the real libraries against kestra-sim on a pseudo-terminal.

#include "AppFakes.h"
#include "CMainFrame.h"
#include "CorvelApp.h"
#include "EditorBench.h"
#include "WkComPortManager.h"
#include "WkElidedLabel.h"
#include "WkFirstSession.h"
#include "WkLinkedLibraries.h"
#include "WkLogChildFrame.h"
#include "WkLogDoc.h"
#include "WkLogTableModel.h"
#include "WkLogView.h"
#include "WkReaderEditView.h"
#include "WkTransponderEditView.h"
#include "velk.h"

#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <filesystem>
#include <sys/prctl.h>

class LiveReaderTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        qputenv("SORN_PORTS", (dir_.path() + "/ports").toLocal8Bit());
        QFile(dir_.path() + "/ports").open(QIODevice::WriteOnly);
        // The simulator ends with this process, also when a failed test takes it down.
        sim_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        sim_.start(KESTRA_SIM, {"--link", dir_.path() + "/kestra0", "--map-port", "1", "--model",
                                "KRD", "--tag", "TTD:0102030405"});
        QVERIFY(sim_.waitForStarted(5000));
        QTRY_VERIFY_WITH_TIMEOUT(MapNamesPortOne(), 5000);
        QFile ini(dir_.path() + "/Corvel.ini");
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[1.COMPort]\nCOM=1\nBaud=9600\nFrame=8E1\nTimeout=800\n");
        ini.close();
        std::filesystem::current_path(dir_.path().toStdString());
    }

    void commandLineAppearsWithItsTimeStamp() {
        WkLinkedLibraries libs;
        AppPrompts prompts;
        WkComPortManager ports(libs, libs, prompts);
        CorvelApp app({.libraries = libs, .prompts = prompts, .ports = ports});
        std::unique_ptr<CMainFrame> frame;
        QVERIFY(app.InitInstance(
            [&]() -> WkFrameHost* {
                frame = std::make_unique<CMainFrame>(app);
                return frame.get();
            },
            {}));
        frame->showNormal();
        frame->resize(1000, 640);
        QCoreApplication::processEvents();
        frame->ArrangeProtocolWindow();
        QVERIFY2(prompts.messages.empty(),
                 prompts.messages.empty() ? "" : prompts.messages.front().c_str());

        const int port = libs.GetPortHandle("1");
        QVERIFY(port > 0);
        const int reader = app.CreateReaderObject(port);
        QVERIFY(reader > 0);
        char version[256] = {};
        const int status = VELK_0x65_SoftVersion(reader, 254, version, 0);
        QCOMPARE(status, 0);
        // The command's request and answer are rows of the window when it returns, before
        // the thread serves any event.
        QCOMPARE(frame->ProtocolFrame()->View()->Model()->rowCount(), 2);

        const QStringList lines = frame->ProtocolFrame()->View()->toPlainText().split('\n');
        const QRegularExpression request(
            R"(^\d\d/\d\d/\d\d \d\d:\d\d:\d\d\.\d\d\d  >>  [0-9A-F]{2} FE 65 [0-9A-F]{2} )");
        const QRegularExpression answer(
            R"(^\d\d/\d\d/\d\d \d\d:\d\d:\d\d\.\d\d\d  <<  [0-9A-F]{2} [0-9A-F]{2} 65 00 )");
        QVERIFY2(lines.size() >= 3, qPrintable(lines.join('|')));
        QVERIFY2(request.match(lines[0]).hasMatch(), qPrintable(lines[0]));
        QVERIFY2(answer.match(lines[1]).hasMatch(), qPrintable(lines[1]));
        if (!qEnvironmentVariableIsEmpty("CORVEL_UI_SHOTS")) {
            frame->grab().save(qEnvironmentVariable("CORVEL_UI_SHOTS") + "/live.png");
        }

        // Closing the window locks the hand-over: this reader is not logged any more.
        frame->ProtocolFrame()->close();
        QTRY_VERIFY(frame->ProtocolFrame() == nullptr);
        QCOMPARE(VELK_0x65_SoftVersion(reader, 254, version, 0), 0);
        // A new window releases the lock again.
        app.OnFileNewLog();
        QCOMPARE(VELK_0x65_SoftVersion(reader, 254, version, 0), 0);
        QTRY_COMPARE(frame->ProtocolFrame()->View()->Lines().size(), std::size_t{2});

        frame->close();
        // The port was saved and closed at exit.
        QVERIFY(libs.GetPortHandle("1") <= 0);
    }

    // What scripts/run starts with: a new reader configuration on the open port, read from
    // the reader, and its transponder editor after reading the serial number.
    void firstSessionReadsTheReaderAndItsTransponder() {
        WkLinkedLibraries libs;
        AppPrompts prompts;
        WkComPortManager ports(libs, libs, prompts);
        EditorBench bench(libs, prompts, ports);
        CMainFrame* frame = bench.frame.get();
        frame->resize(1280, 760);
        WkFirstSession::Run(bench.app, *frame);

        auto* reader = frame->findChild<WkReaderEditView*>();
        auto* transponder = frame->findChild<WkTransponderEditView*>();
        QVERIFY(reader != nullptr && transponder != nullptr);
        QCOMPARE(reader->Model().Outcome(),
                 std::string("Read All: configuration blocks 0, 1 and 2 read."));
        QCOMPARE(transponder->OutcomeLabel()->FullText(), QString("[0x11] Read Serial Number: OK"));
        QCOMPARE(transponder->TypeEdit()->text(), QString("TTD"));
        // Their lines know the port they came through.
        const WkLogDoc& log = *frame->ProtocolFrame()->Document();
        QTRY_VERIFY(log.Store().Size() >= 8);
        QCOMPARE(log.Store().Ports(), std::vector<int>{1});
        QVERIFY2(prompts.messages.empty(),
                 prompts.messages.empty() ? "" : prompts.messages.front().c_str());
        bench.app.ExitWithoutQuestions();
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

QTEST_MAIN(LiveReaderTest)
#include "LiveReaderTest.moc"
