// The transponder editor's form over a new document: what it shows, the hex check of the
// data edits, the page of a write command, the popup and the frame.

#include "AppFakes.h"
#include "CMainFrame.h"
#include "CStdChildFrame.h"
#include "CorvelApp.h"
#include "EditorBench.h"
#include "ScriptedPrompts.h"
#include "WkDocTemplate.h"
#include "WkElidedLabel.h"
#include "WkTemplateList.h"
#include "WkTransponderEditDoc.h"
#include "WkTransponderEditView.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QtTest>

class TransponderViewTest : public QObject {
    Q_OBJECT
private slots:
    void newDocumentShowsOfflineAndTheReadEntry() {
        auto doc = std::make_shared<WkTransponderEditDoc>();
        WkTransponderEditView view(doc);
        QCOMPARE(view.StatusLabel()->text(), QString("Offline"));
        QCOMPARE(view.CommandList()->currentRow(), 0);
        QCOMPARE(view.ActionButton()->text(), QString("&Read"));
        QVERIFY(!view.ActionButton()->isEnabled());
        QCOMPARE(view.TypeEdit()->text(), QString("     -----"));
        QVERIFY(view.EditSnrButton()->isHidden());
        QCOMPARE(view.DataGroup()->title(), QString("Public Data (hex)"));
    }

    void dataEditRefusesNonHexAndSelectsIt() {
        ScriptedPrompts prompts;
        auto doc = std::make_shared<WkTransponderEditDoc>();
        doc->SetPrompts(&prompts);
        WkTransponderEditView view(doc);
        view.show();
        view.CommandList()->setCurrentRow(3); // [0x14] Write public Data
        QCOMPARE(view.ActionButton()->text(), QString("W&rite"));
        QVERIFY(!view.EditSnrButton()->isHidden());
        QLineEdit* edit = view.DataEdit(5);
        QVERIFY(!edit->isReadOnly());
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, "0G");
        QCOMPARE(prompts.Messages().size(), std::size_t{1});
        QCOMPARE(prompts.Messages()[0].substr(0, 19), std::string("No Hex String\n\n0[G]"));
        QCOMPARE(edit->selectedText(), QString("0G"));
        QTest::keyClicks(edit, "A7");
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(doc->Modul().Image(WkTransponderModul::kPublicImage)[5], 0xA7);

        // Rows follow the scroll bar; their labels too.
        view.RowScrollBar()->setValue(12);
        QCOMPARE(view.RowLabel(0)->text(), QString("D12"));
        QCOMPARE(view.DataEdit(0)->text(), QString("00"));
        QCOMPARE(doc->Modul().Image(WkTransponderModul::kParamImage)[17], 12);
    }

    void popupSendsTheEntryGreyedWhileOffline() {
        auto doc = std::make_shared<WkTransponderEditDoc>();
        WkTransponderEditView view(doc);
        view.show();
        QTimer::singleShot(0, [] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menu != nullptr);
            QCOMPARE(menu->actions().front()->text(), QString("&Send [0x1A] Halt"));
            QVERIFY(!menu->actions().front()->isEnabled());
            menu->close();
        });
        view.ShowPopupFor(9, view.mapToGlobal(QPoint(10, 10)));
        QCOMPARE(view.CommandList()->currentRow(), 9);
    }

    void newTransponderOpensItsEditorWindow() {
        FakeLibraries libraries;
        AppPrompts prompts;
        EditorBench bench(libraries, prompts);
        bench.app.OnFileNewTransponder();
        WkDocTemplate* trans = bench.app.FindTemplate(WkDocKind::Transponder);
        QVERIFY(trans != nullptr);
        QCOMPARE(trans->DocumentCount(), std::size_t(1));
        CStdChildFrame* window = nullptr;
        for (CStdChildFrame* child : bench.frame->findChildren<CStdChildFrame*>()) {
            if (qobject_cast<WkTransponderEditView*>(child->View()) != nullptr) {
                QVERIFY(window == nullptr);
                window = child;
            }
        }
        QVERIFY(window != nullptr);
        QCOMPARE(window->windowTitle(), QString("TransponderEditor - Trans1[*]"));
        QVERIFY(!window->isWindowModified());
        trans->FirstDocument()->SetModifiedFlag(true);
        QVERIFY(window->isWindowModified());
        // The save question names the document, not its window.
        prompts.yesNoCancelAnswers = {Prompts::Answer::No};
        window->close();
        QCOMPARE(prompts.messages.back(), std::string("Save changes to Trans1?"));
    }

    // From the keyboard: Enter runs a read entry as a double click does; Shift+F10 opens the
    // entry's popup, at the entry.
    void theCommandListAnswersEnterAndShiftF10() {
        FakeLibraries libraries;
        AppPrompts prompts;
        EditorBench bench(libraries, prompts);
        bench.app.OnFileNewTransponder();
        auto* view = bench.frame->findChild<WkTransponderEditView*>();
        QVERIFY(view != nullptr);
        view->CommandList()->setFocus();
        view->CommandList()->setCurrentRow(2); // [0x13] Read ID Number, unbound
        QTest::keyClick(view->CommandList(), Qt::Key_Return);
        QCOMPARE(view->OutcomeLabel()->FullText(),
                 QString("[0x13] Read ID Number: not bound to a reader (ErrorCode: -4)"));
        QString popup;
        QTimer::singleShot(0, [&popup] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                popup = menu->actions().front()->text();
                menu->close();
            }
        });
        QTest::keyClick(view->CommandList(), Qt::Key_F10, Qt::ShiftModifier);
        QCOMPARE(popup, QString("&Send [0x13] Read ID Number"));
        bench.app.FindTemplate(WkDocKind::Transponder)->FirstDocument()->SetModifiedFlag(false);
    }
};

QTEST_MAIN(TransponderViewTest)
#include "TransponderViewTest.moc"
