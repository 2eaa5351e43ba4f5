// The editor windows over scripted libraries: what the user clicks reaches the view model,
// and what the document does shows in the list.

#include "AppFakes.h"
#include "CMainFrame.h"
#include "CStdChildFrame.h"
#include "CorvelApp.h"
#include "EditorBench.h"
#include "SelectionContrast.h"
#include "WkCommandTable.h"
#include "WkDocTemplate.h"
#include "WkMacroEditDoc.h"
#include "WkMacroEditView.h"
#include "WkProtEditDoc.h"
#include "WkProtEditItem.h"
#include "WkProtEditView.h"
#include "WkProtocolTemplates.h"

#include <QComboBox>
#include <QHeaderView>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTreeWidget>
#include <QtTest>

class ProtocolViewTest : public QObject {
    Q_OBJECT
private slots:
    void HeaderClicksSortAndTheDeleteKeyAsksAndCuts() {
        FakeLibraries libraries;
        AppPrompts prompts;
        CorvelApp app(libraries, prompts);
        auto doc = std::make_shared<WkProtEditDoc>(3);
        doc->SetPrompts(&prompts);
        doc->AppendItem(std::make_unique<WkProtEditItem>("04 00 11 15", "low", true));
        doc->AppendItem(std::make_unique<WkProtEditItem>("04 00 65 61", "high", false));
        WkProtEditView view(app, doc);
        QTreeWidget* list = view.List();
        QCOMPARE(list->columnWidth(0), 200);
        QCOMPARE(list->columnWidth(2), 50);
        QCOMPARE(list->topLevelItem(0)->text(1), QString("low"));

        list->header()->sectionClicked(0); // the first click sorts descending
        QCOMPARE(list->topLevelItem(0)->text(1), QString("high"));
        QCOMPARE(list->topLevelItem(0)->text(2), QString("no"));

        list->setCurrentItem(list->topLevelItem(1));
        prompts.yesNoAnswers.push_back(true);
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(prompts.messages.back(), std::string("Delete this entry ?"));
        QCOMPARE(list->topLevelItemCount(), 1);
        QCOMPARE(doc->Item(0)->comment, std::string("high"));
        QVERIFY(view.AvailableCommands().Has(WkViewCommand::Insert));
    }

    void AnAppendedProtocolShowsAtOnce() {
        FakeLibraries libraries;
        AppPrompts prompts;
        CorvelApp app(libraries, prompts);
        auto doc = std::make_shared<WkMacroEditDoc>(4);
        WkMacroEditView view(app, doc);
        QCOMPARE(view.List()->columnWidth(1), 175);
        QCOMPARE(view.List()->columnWidth(2), 75);
        doc->AppendProtocol("06 FF 65 00 00 00");
        QCOMPARE(view.List()->topLevelItemCount(), 1);
        QCOMPARE(view.List()->topLevelItem(0)->text(1), QString("[0x65] Software Version"));
        QCOMPARE(view.ComPortCombo()->currentText(), QString("-")); // no port is open
    }

    // The program's wiring: File > New > Macro, Add to Macro and the Edit menu.
    void TheMacroEditorIsReachableFromTheMenusAndTheProtocolWindow() {
        FakeLibraries libraries;
        AppPrompts prompts;
        EditorBench bench(libraries, prompts);
        CMainFrame* frame = bench.frame.get();
        CorvelApp& app = bench.app;

        frame->RunCommand(CommandId::kNewMacro);
        auto* view = qobject_cast<WkMacroEditView*>(
            qobject_cast<CStdChildFrame*>(frame->findChild<QMdiArea*>()->activeSubWindow())
                ->View());
        QVERIFY(view != nullptr);
        QVERIFY(app.AddLogLineToMacro("12/06/26 13:45:07.042  >>  04 00 65 61 "));
        QCOMPARE(view->List()->topLevelItemCount(), 1);

        view->List()->setCurrentItem(view->List()->topLevelItem(0));
        frame->RefreshStatus();
        QVERIFY(frame->Action(CommandId::kEditCopy)->isEnabled());
        frame->RunCommand(CommandId::kEditCopy);
        frame->RefreshStatus();
        frame->RunCommand(CommandId::kEditInsert);
        QCOMPARE(view->List()->topLevelItemCount(), 2);
        QCOMPARE(app.FindTemplate(WkDocKind::Macro)->DocumentCount(), 1u);
        app.FindTemplate(WkDocKind::Macro)->FirstDocument()->SetModifiedFlag(false);
    }

    // In a window that is not the active one too (a bare X server activates none).
    void TheSelectedRowReadsAsClearlyAsThePlatformDrawsSelections() {
        FakeLibraries libraries;
        AppPrompts prompts;
        CorvelApp app(libraries, prompts);
        auto doc = std::make_shared<WkProtEditDoc>(3);
        doc->AppendItem(std::make_unique<WkProtEditItem>("04 00 65 61", "Software Version", true));
        WkProtEditView view(app, doc);
        view.resize(600, 200);
        view.List()->setCurrentItem(view.List()->topLevelItem(0));
        const QModelIndex row = view.List()->currentIndex();
        const double platform = selection_contrast::PlatformContrast();
        QVERIFY2(selection_contrast::DrawnContrast(view.List(), row) >= 0.9 * platform,
                 qPrintable(QString::number(selection_contrast::DrawnContrast(view.List(), row))));
    }
};

QTEST_MAIN(ProtocolViewTest)
#include "ProtocolViewTest.moc"
