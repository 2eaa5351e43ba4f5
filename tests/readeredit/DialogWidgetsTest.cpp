// The password and calibration dialogs and the command panel on the offscreen platform: their
// frames and fields, hex fields that move on, warn and commit when left, buttons that reach
// the reader (kestra-sim on a pty), and the command panel's fields per list entry.

#include "CCommandPageWidget.h"
#include "CPasswordDlg.h"
#include "OwnPortList.h"
#include "ScriptedPrompts.h"
#include "SimProcess.h"
#include "TestReaderHost.h"
#include "WkReaderEditDoc.h"
#include "sorn.h"

#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

namespace {

QPushButton* Button(QWidget& parent, const QString& text) {
    for (QPushButton* button : parent.findChildren<QPushButton*>()) {
        if (button->text() == text) {
            return button;
        }
    }
    return nullptr;
}

QLineEdit* Hex(QWidget& dialog, int index) {
    return dialog.findChild<QLineEdit*>(QString("hex%1").arg(index));
}

} // namespace

class DialogWidgetsTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        prompts_ = std::make_unique<ScriptedPrompts>();
        host_ = std::make_unique<TestReaderHost>(*prompts_);
        doc_ = std::make_unique<WkReaderEditDoc>(host_.get());
        doc_->SetPrompts(prompts_.get());
        doc_->OnNewDocument();
        doc_->SetModifiedFlag(false);
    }
    void cleanup() {
        doc_.reset();
        host_.reset();
        prompts_.reset();
    }

    void FramesAndFields() {
        struct Expected {
            WkPasswordDialog::Kind kind;
            QString title;
            QStringList frames;
            QString label;
            int fields;
        };
        const Expected dialogs[] = {
            {WkPasswordDialog::kReaderPassword,
             "Change Reader Password",
             {"[0xA2] Password (hex)"},
             "&new",
             8},
            {WkPasswordDialog::kPasswordTTBC,
             "Change TTB/.C Transponder Password (only for Crypto-Reader)",
             {"[0xA3] &Old Password (hex)", "[0xA4] &New Password (hex)"},
             "PW24",
             72},
            {WkPasswordDialog::kPasswordTTCD,
             "Change TTC/.D Transponder Password",
             {"[0xA3] &Old Password (hex)", "[0xA4] &New Password (hex)"},
             "",
             8},
            {WkPasswordDialog::kCalibration,
             "Change KRD Calibration Value",
             {"[0x6B] KAL-KRD (hex)"},
             "(00 ... 0F)",
             1},
        };
        for (const Expected& expected : dialogs) {
            WkPasswordDialog logic(expected.kind, *doc_);
            CPasswordDlg dialog(logic);
            QCOMPARE(dialog.windowTitle(), expected.title);
            QStringList frames;
            for (QGroupBox* box : dialog.findChildren<QGroupBox*>()) {
                frames << box->title();
            }
            QCOMPARE(frames, expected.frames);
            QStringList labels;
            for (QLabel* label : dialog.findChildren<QLabel*>()) {
                labels << label->text();
            }
            QVERIFY2(expected.label.isEmpty() || labels.contains(expected.label),
                     qPrintable(labels.join('|')));
            // Every field of the logic has its edit, and no more.
            QCOMPARE(int(dialog.findChildren<QLineEdit*>().size()), expected.fields);
            QCOMPARE(int(logic.Fields().Size()), expected.fields);
            QCOMPARE(Button(dialog, "&Read") != nullptr,
                     expected.kind == WkPasswordDialog::kCalibration);
        }
    }

    void HexFieldsMoveOnWarnAndCommitWhenLeft() {
        WkPasswordDialog logic(WkPasswordDialog::kReaderPassword, *doc_);
        CPasswordDlg dialog(logic);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QLineEdit* first = Hex(dialog, 0); // focused as the dialog opens; "00" gives way
        QCOMPARE(QApplication::focusWidget(), first);
        QTest::keyClicks(first, "1");
        QCOMPARE(QApplication::focusWidget(), first);
        QTest::keyClicks(first, "a");
        QCOMPARE(QApplication::focusWidget(), Hex(dialog, 1));
        QTest::keyClicks(Hex(dialog, 1), "2B"); // the next field's "00" is replaced
        QCOMPARE(Hex(dialog, 1)->text(), QString("2B"));

        QLineEdit* third = Hex(dialog, 2);
        QCOMPARE(QApplication::focusWidget(), third);
        QApplication::clipboard()->setText("G1");
        QTest::keySequence(third, QKeySequence::Paste);
        QCOMPARE(prompts_->Messages().size(), std::size_t{1});
        QCOMPARE(prompts_->Messages()[0].substr(0, 19), std::string("No Hex String\n\n[G]1"));
        QCOMPARE(QApplication::focusWidget(), third);
        QCOMPARE(third->selectedText(), QString("G1"));

        Hex(dialog, 4)->setFocus(); // leaving commits; "G1" keeps the stored byte and its text
        const auto& answer = doc_->Modul().Image(11);
        QCOMPARE(int(answer[58 * 16 + 4]), 0x1A);
        QCOMPARE(int(answer[58 * 16 + 5]), 0x2B);
        QCOMPARE(int(answer[58 * 16 + 6]), 0x00);
        QCOMPARE(third->text(), QString("G1"));
        Button(dialog, "OK")->click(); // refused: the field is shown for correction
        QVERIFY(dialog.isVisible());
        QCOMPARE(QApplication::focusWidget(), third);
        Button(dialog, "Cancel")->click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(int(answer[58 * 16 + 5]), 0x2B);
        QVERIFY(doc_->IsModified());
    }

    void SendAndReadReachTheReader() {
        const simtest::OwnPortList portList("corvel-dlgview");
        {
            simtest::SimProcess sim({"--map-port", "218", "--model", "KRD"});
            QVERIFY(!sim.WaitReady().empty());
            const int port = host_->libraries.OpenPort("218");
            QVERIFY(port > 0);
            VELK_SetReaderPara(doc_->GetReaderHandle(), "PortHnd", std::to_string(port).c_str());

            WkPasswordDialog ttcd(WkPasswordDialog::kPasswordTTCD, *doc_);
            CPasswordDlg passwords(ttcd);
            Button(passwords, "&Send")->click();
            QCOMPARE(int(doc_->Modul().Image(11)[33 * 16 + 9]), 3);
            QCOMPARE(int(doc_->Modul().Image(11)[33 * 16 + 10]), 3);

            WkPasswordDialog logic(WkPasswordDialog::kCalibration, *doc_);
            CPasswordDlg calibration(logic);
            QLineEdit* value = Hex(calibration, 0);
            value->selectAll();
            QTest::keyClicks(value, "0C");
            Button(calibration, "&Send")->click();
            doc_->Modul().Image(1)[32 + 11] = 0;
            value->selectAll();
            QTest::keyClicks(value, "05"); // not sent: the reader still holds 0x0C
            Button(calibration, "&Read")->click();
            QCOMPARE(value->text(), QString("0C"));
            SORN_ClosePort(port);
        }
    }

    void CommandPanel() {
        WkCommandPage page(*doc_);
        CCommandPageWidget widget(page);
        widget.resize(500, 500);
        widget.show();
        QVERIFY(QTest::qWaitForWindowActive(&widget));
        auto* list = widget.findChild<QComboBox*>("commandList");
        auto* result = widget.findChild<QPlainTextEdit*>("result");
        auto shown = [&](int id) {
            return widget.findChild<QLineEdit*>(QString("field%1").arg(id))->isVisible();
        };
        auto choose = [&](int index) {
            list->setCurrentIndex(index);
            emit list->activated(index);
        };
        choose(6); // KRB outputs: four times
        QVERIFY(shown(1071) && shown(1074) && !shown(1075) && !shown(1076) && !shown(1170));
        QVERIFY(!result->isVisible());
        choose(7);
        QVERIFY(shown(1075));
        choose(10);
        QVERIFY(shown(1170) && !shown(1071));

        choose(1); // the address, its spin kept within 0 .. 31
        QVERIFY(shown(1076) && result->isVisible());
        QToolButton* up = nullptr;
        QToolButton* down = nullptr;
        for (QToolButton* button : widget.findChildren<QToolButton*>()) {
            (button->arrowType() == Qt::UpArrow ? up : down) = button;
        }
        QVERIFY(up && down);
        for (int i = 0; i < 40; ++i) {
            up->click();
        }
        QCOMPARE(widget.findChild<QLineEdit*>("field1076")->text(), QString("31"));
        down->click();
        QCOMPARE(int(doc_->Modul().Image(11)[32 * 16 + 14]), 30);

        const QPoint inFrame = widget.findChild<QGroupBox*>()->geometry().center();
        QCOMPARE(int(widget.MenuAt(inFrame).size()), 1);
        QCOMPARE(widget.MenuAt(inFrame)[0].text, std::string("Send [0x62] Read Configuration"));
        QVERIFY(widget.MenuAt(QPoint(widget.width() - 1, widget.height() - 1)).empty());

        choose(0); // no port: the result's line breaks are lines
        page.Send();
        QCOMPARE(result->toPlainText(), QString("\n\n\nErrorcode:...-2"));
        QCOMPARE(result->document()->blockCount(), 4);

        choose(10); // the login password moves on and commits when left
        auto* first = widget.findChild<QLineEdit*>("field1170");
        first->setFocus(); // selects "00", so typing replaces it
        QTest::keyClicks(first, "5a");
        QCOMPARE(QApplication::focusWidget(), widget.findChild<QLineEdit*>("field1171"));
        QCOMPARE(int(doc_->Modul().Image(11)[58 * 16]), 0x5A);
    }

private:
    std::unique_ptr<ScriptedPrompts> prompts_;
    std::unique_ptr<TestReaderHost> host_;
    std::unique_ptr<WkReaderEditDoc> doc_;
};

QTEST_MAIN(DialogWidgetsTest)
#include "DialogWidgetsTest.moc"
