// The COM-Port dialog over ptys mapped as real serial ports: opening and closing, parameters,
// refusals, the association question, the line boxes and the range checks.

#include "CComPortDlg.h"
#include "PtyPeer.h"
#include "ScriptedPrompts.h"
#include "SornBinding.h"
#include "WkComPortManager.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

#include <filesystem>
#include <fstream>
#include <memory>

namespace {

// Ports 2 and 12 on ptys, the manager over the real serial-port library.
struct Bench {
    Bench() {
        for (int number : {2, 12}) {
            ptys.push_back(std::make_unique<PtyPeer>());
            map.Map(number, ptys.back()->SlavePath());
        }
    }
    ~Bench() { SornBinding::CloseAllPorts(); }

    std::string Para(int port, const char* key) {
        std::string value;
        sorn.GetPortPara(port, key, value);
        return value;
    }

    PortMapFile map;
    std::vector<std::unique_ptr<PtyPeer>> ptys;
    SornBinding sorn;
    ScriptedPrompts prompts;
    WkComPortManager manager{sorn, sorn, prompts};
};

// The messages without the library's text and the device path that follow the system's text.
std::vector<std::string> Lead(std::vector<std::string> messages) {
    for (std::string& message : messages) {
        message = message.substr(0, message.find(" ("));
    }
    return messages;
}

// Named access to the dialog's controls, and the user's gestures on them.
struct Controls {
    explicit Controls(CComPortDlg& dlg) : dlg(dlg) {}

    template <class T> T* Get(const char* name) const {
        T* widget = dlg.findChild<T*>(name);
        if (widget == nullptr) {
            qFatal("no control %s", name);
        }
        return widget;
    }
    QComboBox* Combo(const char* name) const { return Get<QComboBox>(name); }
    QLineEdit* Edit(const char* name) const { return Get<QLineEdit>(name); }
    QCheckBox* Check(const char* name) const { return Get<QCheckBox>(name); }
    QPushButton* Button(const char* name) const { return Get<QPushButton>(name); }
    QListWidget* List(const char* name) const { return Get<QListWidget>(name); }

    QStringList Items(const char* name) const {
        QStringList items;
        for (int i = 0; i < List(name)->count(); ++i) {
            items << List(name)->item(i)->text();
        }
        return items;
    }
    void ChoosePort(const QString& number) const {
        QComboBox* box = Combo("comboPort");
        const int index = box->findText(number);
        QVERIFY(index >= 0);
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
    void Type(const char* edit, const QString& text) const {
        Edit(edit)->clear();
        QTest::keyClicks(Edit(edit), text);
    }

    CComPortDlg& dlg;
};

} // namespace

class ComPortDlgTest : public QObject {
    Q_OBJECT
private slots:
    void opensWithNoPortAndNothingToEdit();
    void opensAndClosesAPtyPort();
    void appliesParametersInOrder();
    void showsTheMessageOfARefusedParameter();
    void asksBeforeClosingAPortInUse();
    void showsTheFirstOpenPortWithItsSettings();
    void switchesLinesAtOnceAndShowsLineEvents();
    void checksRangesOnOk();
};

void ComPortDlgTest::opensWithNoPortAndNothingToEdit() {
    Bench bench;
    CComPortDlg dlg(bench.manager, bench.sorn, bench.prompts);
    Controls c(dlg);
    QCOMPARE(c.Items("listOpenPorts"), QStringList{"None"});
    QCOMPARE(c.Items("listAssociations"), QStringList{"None"});
    QCOMPARE(c.Combo("comboPort")->currentText(), QString("None"));
    QVERIFY(c.Combo("comboPort")->findText("2") > 0);
    QVERIFY(c.Combo("comboPort")->findText("12") > 0);
    QVERIFY(!c.Button("buttonOpen")->isEnabled());
    QCOMPARE(c.Button("buttonOpen")->text(), QString("Open Port"));
    QVERIFY(!c.Button("buttonSave")->isEnabled());
    QVERIFY(!c.Combo("comboBaud")->isEnabled());
    QVERIFY(!c.Edit("editCharTimeout")->isEnabled());
    QVERIFY(c.Button("buttonSearch")->isHidden());
    QCOMPARE(c.Combo("comboBaud")->currentText(), QString("9600"));
    QCOMPARE(c.Combo("comboFrame")->currentText(), QString("8E1"));
    QCOMPARE(c.Edit("editBlockTimeout")->text(), QString("800"));
    QCOMPARE(c.Combo("comboBaud")->count(), 8);
    QCOMPARE(c.Combo("comboFrame")->count(), 9);
}

void ComPortDlgTest::opensAndClosesAPtyPort() {
    Bench bench;
    CComPortDlg dlg(bench.manager, bench.sorn, bench.prompts);
    Controls c(dlg);
    c.ChoosePort("12");
    QVERIFY(c.Button("buttonOpen")->isEnabled());
    QVERIFY(dlg.IsOpenMode());
    QVERIFY(c.Combo("comboBaud")->isEnabled());

    c.Button("buttonOpen")->click();
    const int port = bench.sorn.GetPortHandle("12");
    QVERIFY(port > 0);
    QCOMPARE(dlg.ShownPort(), port);
    QCOMPARE(bench.manager.WatchedPort(), port);
    QCOMPARE(c.Items("listOpenPorts"), QStringList{"COM:12"});
    QCOMPARE(c.List("listOpenPorts")->currentRow(), 0);
    QCOMPARE(c.Button("buttonOpen")->text(), QString("Close Port"));
    QVERIFY(c.Button("buttonSave")->isEnabled());

    c.Button("buttonOpen")->click();
    QCOMPARE(bench.sorn.GetPortHandle("12"), 0);
    QCOMPARE(c.Items("listOpenPorts"), QStringList{"None"});
    QCOMPARE(c.Button("buttonOpen")->text(), QString("Open Port"));
    QVERIFY(!c.Button("buttonSave")->isEnabled());
    QCOMPARE(bench.manager.WatchedPort(), 0);
    QVERIFY(bench.prompts.Records().empty());
    // Opened again in the same dialog, every control works.
    c.Button("buttonOpen")->click();
    QVERIFY(bench.sorn.GetPortHandle("12") > 0);
    QVERIFY(c.Check("checkRts")->isEnabled() && c.Check("checkDtr")->isEnabled());
    QVERIFY(c.Check("checkReconnect")->isChecked());
    c.Button("buttonOpen")->click();

    // Choosing an open port in the box shows it; choosing "None" shows the defaults.
    const int other = bench.sorn.OpenPort("2");
    QVERIFY(bench.sorn.SetPortPara(other, "baud", "4800") == 0);
    c.ChoosePort("2");
    QCOMPARE(dlg.ShownPort(), other);
    QCOMPARE(c.Combo("comboBaud")->currentText(), QString("4800"));
    QCOMPARE(c.Button("buttonOpen")->text(), QString("Close Port"));
    c.ChoosePort("None");
    QCOMPARE(c.Combo("comboBaud")->currentText(), QString("9600"));
    QVERIFY(!c.Button("buttonOpen")->isEnabled());
    QCOMPARE(bench.manager.WatchedPort(), 0);
}

void ComPortDlgTest::appliesParametersInOrder() {
    Bench bench;
    CComPortDlg dlg(bench.manager, bench.sorn, bench.prompts);
    Controls c(dlg);
    c.ChoosePort("2");
    c.Combo("comboBaud")->setCurrentText("38400");
    c.Combo("comboFrame")->setCurrentText("8N1");
    c.Type("editBlockTimeout", "450");
    c.Type("editMultiplier", "3");
    c.Type("editTxDelay", "25");
    c.Check("checkPerformance")->click();
    c.Button("buttonOpen")->click();
    const int port = bench.sorn.GetPortHandle("2");
    QVERIFY(port > 0);
    const std::vector<std::string> expected = {"Performance=0",  "baud=38400",      "frame=8N1",
                                               "timeout=450",    "TxTimeControl=1", "Performance=0",
                                               "TxDelayTime=25", "CharTimeoutMpy=3"};
    QCOMPARE(bench.sorn.setCalls, expected);
    QCOMPARE(bench.Para(port, "baud"), std::string("38400"));

    // Save sends the edits again, reads them back and shows them.
    bench.sorn.setCalls.clear();
    c.Check("checkTxTimeControl")->click();
    QVERIFY(!c.Edit("editTxDelay")->isEnabled());
    QCOMPARE(bench.Para(port, "TxTimeControl"), std::string("1")); // not before Save
    c.Button("buttonSave")->click();
    QCOMPARE(bench.sorn.setCalls.size(), std::size_t{7});
    QCOMPARE(bench.Para(port, "TxTimeControl"), std::string("0"));
    QVERIFY(!c.Check("checkTxTimeControl")->isChecked());
    QVERIFY(bench.prompts.Records().empty());
}

void ComPortDlgTest::showsTheMessageOfARefusedParameter() {
    Bench bench;
    CComPortDlg dlg(bench.manager, bench.sorn, bench.prompts);
    Controls c(dlg);
    c.ChoosePort("12");
    c.Button("buttonOpen")->click();
    const int port = bench.sorn.GetPortHandle("12");
    QVERIFY(port > 0);
    c.Type("editBlockTimeout", "99999");
    c.Type("editTxDelay", "30");
    c.Type("editMultiplier", "4");
    c.Button("buttonSave")->click();
    QCOMPARE(Lead(bench.prompts.Messages()),
             std::vector<std::string>{
                 "Error! Could not initialize COM-Port 12 with Timeout 99999\nErrorCode: -1014"});
    // The values beside the refused one are applied and shown; the refused one is selected.
    QCOMPARE(bench.Para(port, "TxDelayTime"), std::string("30"));
    QCOMPARE(bench.Para(port, "CharTimeoutMpy"), std::string("4"));
    QCOMPARE(bench.Para(port, "timeout"), std::string("800"));
    QCOMPARE(c.Edit("editMultiplier")->text(), QString("4"));
    QCOMPARE(c.Edit("editBlockTimeout")->selectedText(), QString("99999"));

    // A port that cannot be opened.
    bench.prompts.Clear();
    const int clash = bench.sorn.OpenPort("2");
    QVERIFY(clash > 0);
    bench.sorn.ClosePort(clash);
    bench.map.Map(2, bench.map.Dir() + "/gone");
    c.ChoosePort("2");
    c.Button("buttonOpen")->click();
    QCOMPARE(Lead(bench.prompts.Messages()),
             std::vector<std::string>{"Error! Could not open Port:2\nErrorCode: -1003"});
    QVERIFY(dlg.IsOpenMode());
}

void ComPortDlgTest::asksBeforeClosingAPortInUse() {
    Bench bench;
    const int port = bench.sorn.OpenPort("12");
    const int reader = bench.sorn.NewReader(0);
    bench.sorn.SetReaderPara(reader, "PortHnd", std::to_string(port));
    bench.manager.SetPortUsersSource([&] {
        return std::vector<WkPortUser>{{WkPortUser::Kind::Reader, reader, 5, "Door.rdr"}};
    });
    CComPortDlg dlg(bench.manager, bench.sorn, bench.prompts);
    Controls c(dlg);
    QCOMPARE(c.Items("listAssociations"), QStringList{"BusAdr:  5 - Door.rdr"});

    bench.prompts.AnswerYesNo(false);
    c.Button("buttonOpen")->click();
    QCOMPARE(bench.sorn.GetPortHandle("12"), port);
    QCOMPARE(c.Button("buttonOpen")->text(), QString("Close Port"));
    QCOMPARE(bench.prompts.Records().size(), std::size_t{1});
    QCOMPARE(bench.prompts.Records()[0].text,
             std::string("All associated Files/Readers will be disconnected !\nDo you want to "
                         "continue ?\n\nBusAdr:  5 - Door.rdr"));

    bench.prompts.AnswerYesNo(true);
    c.Button("buttonOpen")->click();
    QCOMPARE(bench.sorn.GetPortHandle("12"), 0);
    QCOMPARE(c.Items("listAssociations"), QStringList{"None"});
}

void ComPortDlgTest::showsTheFirstOpenPortWithItsSettings() {
    Bench bench;
    const std::filesystem::path settings = std::filesystem::path(bench.map.Dir()) / "Corvel.ini";
    std::ofstream(settings) << "[1.COMPort]\nCOM=12\nBaud=19200\nFrame=7E1\nTxControl=0\n"
                               "Performance=0\nDTR=ON\n[2.COMPort]\nCOM=2\n";
    bench.manager.RestorePorts(settings);
    QVERIFY(bench.prompts.Messages().empty());

    CComPortDlg dlg(bench.manager, bench.sorn, bench.prompts);
    Controls c(dlg);
    QCOMPARE(c.Items("listOpenPorts"), (QStringList{"COM:12", "COM:2"}));
    QCOMPARE(c.List("listOpenPorts")->currentRow(), 0);
    QCOMPARE(c.Combo("comboPort")->currentText(), QString("12"));
    QCOMPARE(c.Button("buttonOpen")->text(), QString("Close Port"));
    QVERIFY(c.Button("buttonSave")->isEnabled());
    QCOMPARE(c.Combo("comboBaud")->currentText(), QString("19200"));
    QCOMPARE(c.Combo("comboFrame")->currentText(), QString("7E1"));
    QVERIFY(c.Check("checkPerformance")->isChecked());
    QVERIFY(!c.Check("checkTxTimeControl")->isChecked());
    QVERIFY(!c.Edit("editTxDelay")->isEnabled());
    QVERIFY(c.Check("checkDtr")->isChecked());
    QVERIFY(!c.Check("checkRts")->isChecked());
    QVERIFY(!c.Edit("editCharTimeout")->isEnabled());

    // Another entry of the list shows that port.
    c.List("listOpenPorts")->setCurrentRow(1);
    QCOMPARE(dlg.ShownPort(), bench.sorn.GetPortHandle("2"));
    QCOMPARE(c.Combo("comboPort")->currentText(), QString("2"));
    QVERIFY(!c.Check("checkPerformance")->isChecked());
    QVERIFY(!c.Check("checkDtr")->isChecked());
    QCOMPARE(bench.manager.WatchedPort(), dlg.ShownPort());
}

void ComPortDlgTest::switchesLinesAtOnceAndShowsLineEvents() {
    Bench bench;
    const int port = bench.sorn.OpenPort("2");
    CComPortDlg dlg(bench.manager, bench.sorn, bench.prompts);
    Controls c(dlg);
    c.Check("checkRts")->click();
    QVERIFY(bench.manager.LineStates(port).rts);
    c.Check("checkDtr")->click();
    QVERIFY(bench.manager.LineStates(port).dtr);
    c.Check("checkRts")->click();
    QVERIFY(!bench.manager.LineStates(port).rts);
    // A click refused for an edit out of range leaves the box showing the line.
    c.Type("editMultiplier", "50");
    c.Check("checkRts")->click();
    QCOMPARE(bench.prompts.Messages(),
             std::vector<std::string>{"Please enter an integer between 1 and 10."});
    QVERIFY(!c.Check("checkRts")->isChecked());
    QVERIFY(!bench.manager.LineStates(port).rts);

    // Events come on another thread and are shown when the window handles them.
    std::thread([port] {
        SornBinding::EmitLineEvent(port, 1, WkComPortManager::kCtsMessage, 1);
        SornBinding::EmitLineEvent(port, 3, WkComPortManager::kDsrMessage, 1);
    }).join();
    QTRY_VERIFY(c.Check("checkCts")->isChecked());
    QTRY_VERIFY(c.Check("checkDsr")->isChecked());
    SornBinding::EmitLineEvent(port, 1, WkComPortManager::kCtsMessage, 0);
    SornBinding::EmitLineEvent(port + 1000, 3, WkComPortManager::kDsrMessage, 0);
    QTRY_VERIFY(!c.Check("checkCts")->isChecked());
    QCoreApplication::processEvents();
    QVERIFY(c.Check("checkDsr")->isChecked()); // another port's change is not shown
}

void ComPortDlgTest::checksRangesOnOk() {
    {
        // A port that is not open: the edits are only checked; out of range keeps the dialog
        // open.
        Bench bench;
        CComPortDlg dlg(bench.manager, bench.sorn, bench.prompts);
        Controls c(dlg);
        dlg.show();
        c.ChoosePort("12");
        c.Type("editMultiplier", "11");
        c.Button("buttonOk")->click();
        QCOMPARE(bench.prompts.Messages(),
                 std::vector<std::string>{"Please enter an integer between 1 and 10."});
        QVERIFY(dlg.isVisible());
        bench.prompts.Clear();
        c.Type("editMultiplier", "2");
        c.Type("editTxDelay", "1000");
        c.Button("buttonOk")->click();
        QCOMPARE(bench.prompts.Messages(),
                 std::vector<std::string>{"Please enter an integer between 0 and 999."});
        QVERIFY(dlg.isVisible());
        // A click on a line box reads the edits as well, and sends nothing while they fail.
        bench.prompts.Clear();
        c.Check("checkTxTimeControl")->click();
        QCOMPARE(bench.prompts.Messages().size(), std::size_t{1});
        QVERIFY(!c.Edit("editTxDelay")->isEnabled());
        c.Check("checkTxTimeControl")->click();
        QVERIFY(c.Edit("editTxDelay")->isEnabled());
        c.Type("editTxDelay", "5");
        bench.prompts.Clear();
        c.Button("buttonOk")->click();
        QVERIFY(bench.prompts.Messages().empty());
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
    }
    {
        // With an open port OK sends the edits first: the port refuses the value and the
        // dialog stays open on it.
        Bench bench;
        const int port = bench.sorn.OpenPort("2");
        CComPortDlg dlg(bench.manager, bench.sorn, bench.prompts);
        Controls c(dlg);
        dlg.show();
        c.Type("editMultiplier", "11");
        c.Button("buttonOk")->click();
        QCOMPARE(Lead(bench.prompts.Messages()),
                 std::vector<std::string>{"Error! Could not initialize COM-Port 2 with "
                                          "CharTimeoutMpy 11\nErrorCode: -1014"});
        QCOMPARE(c.Edit("editMultiplier")->selectedText(), QString("11"));
        QVERIFY(dlg.isVisible());
        QCOMPARE(bench.Para(port, "CharTimeoutMpy"), std::string("1"));
        dlg.reject();

        CComPortDlg again(bench.manager, bench.sorn, bench.prompts);
        Controls c2(again);
        bench.prompts.Clear();
        c2.Type("editMultiplier", "2");
        c2.Check("checkTxTimeControl")->click(); // a fresh port has it off
        c2.Type("editTxDelay", "5");
        c2.Button("buttonOk")->click();
        QVERIFY(bench.prompts.Messages().empty());
        QCOMPARE(bench.Para(port, "CharTimeoutMpy"), std::string("2"));
        QCOMPARE(bench.Para(port, "TxDelayTime"), std::string("5"));
    }
}

QTEST_MAIN(ComPortDlgTest)
#include "ComPortDlgTest.moc"
