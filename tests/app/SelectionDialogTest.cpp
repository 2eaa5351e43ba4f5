// The three selection dialogs and the File Info dialog.

#include "AppFakes.h"
#include "CFileInfoDlg.h"
#include "CFontDlg.h"
#include "CSelectComPortDlg.h"
#include "CSelectReaderDlg.h"
#include "CSelectReaderTypeDlg.h"
#include "ScriptedPrompts.h"
#include "WkLogDoc.h"
#include "WkProtEditDoc.h"
#include "WkQtText.h"

#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <fstream>

namespace {

// Runs `step` on the dialog once it is shown by exec().
template <typename Dialog> void WhenShown(Dialog& dialog, std::function<void(Dialog&)> step) {
    QTimer::singleShot(0, &dialog, [&dialog, step] {
        QVERIFY(dialog.isVisible());
        step(dialog);
    });
}

QListWidget* ListOf(QDialog& dialog) {
    return dialog.findChild<QListWidget*>("list");
}
QPushButton* Button(QDialog& dialog, const char* name) {
    return dialog.findChild<QPushButton*>(name);
}

WkComPortChoice TwoPorts() {
    return WkComPortChoice({"COM:1  [Baud:9600; Frame:8E1; Timeout:800ms]",
                            "COM:12  [Baud:19200; Frame:8N1; Timeout:500ms]"},
                           {3, 8});
}

} // namespace

class SelectionDialogTest : public QObject {
    Q_OBJECT
private slots:
    void comPortClosesAtOnceForNoneOrOnePort() {
        CSelectComPortDlg none(WkComPortChoice({}, {}));
        QCOMPARE(none.Run(), 0);
        QVERIFY(!none.isVisible());
        CSelectComPortDlg one(
            WkComPortChoice({"COM:4  [Baud:9600; Frame:8E1; Timeout:800ms]"}, {17}));
        QCOMPARE(one.Run(), 17);
        QVERIFY(!one.isVisible());
    }

    void comPortListsAndReturnsTheChosenHandle() {
        CSelectComPortDlg dialog(TwoPorts());
        QCOMPARE(dialog.windowTitle(), QString("Select a COM-Port"));
        QCOMPARE(Button(dialog, "okButton")->text(), QString("OK"));
        QCOMPARE(Button(dialog, "cancelButton")->text(), QString("Cancel"));
        QListWidget* list = ListOf(dialog);
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->item(1)->text(), QString("COM:12  [Baud:19200; Frame:8N1; Timeout:500ms]"));
        QCOMPARE(list->currentRow(), 0);
        WhenShown<CSelectComPortDlg>(dialog, [](CSelectComPortDlg& d) {
            ListOf(d)->setCurrentRow(1);
            QTest::mouseClick(Button(d, "okButton"), Qt::LeftButton);
        });
        QCOMPARE(dialog.Run(), 8);
    }

    void comPortCancelAndDoubleClick() {
        CSelectComPortDlg cancelled(TwoPorts());
        WhenShown<CSelectComPortDlg>(cancelled, [](CSelectComPortDlg& d) {
            QTest::mouseClick(Button(d, "cancelButton"), Qt::LeftButton);
        });
        QCOMPARE(cancelled.Run(), 0);

        CSelectComPortDlg doubled(TwoPorts());
        WhenShown<CSelectComPortDlg>(doubled, [](CSelectComPortDlg& d) {
            QListWidget* list = ListOf(d);
            emit list->itemDoubleClicked(list->item(1));
        });
        QCOMPARE(doubled.Run(), 8);
    }

    void readerDialogReturnsTheEntryAndItsTexts() {
        FakeLibraries libs;
        libs.AddPort(7, "3");
        libs.readerPortHandle[1] = "7";
        WkReaderChoice choice =
            WkReaderChoice::FromDocuments({{1, 5, "Reader1"}, {2, 254, "door.rdr"}}, libs);
        CSelectReaderDlg dialog(choice);
        QCOMPARE(dialog.windowTitle(), QString("Select a Reader"));
        QCOMPARE(ListOf(dialog)->item(0)->text(), QString("BusAdr:   5  COM:3  File:Reader1"));
        QCOMPARE(ListOf(dialog)->item(1)->text(), QString("BusAdr: 254  COM:-  File:door.rdr"));
        WhenShown<CSelectReaderDlg>(dialog, [](CSelectReaderDlg& d) {
            ListOf(d)->setCurrentRow(1);
            QTest::mouseClick(Button(d, "okButton"), Qt::LeftButton);
        });
        std::optional<WkReaderSelection> chosen = dialog.Run();
        QVERIFY(chosen.has_value());
        QCOMPARE(chosen->readerHandle, 2);
        QCOMPARE(chosen->busAddress, std::string("254"));
        QCOMPARE(chosen->portText, std::string("-"));
        QCOMPARE(chosen->storedName, std::string("door.rdr"));

        CSelectReaderDlg cancelled(choice);
        WhenShown<CSelectReaderDlg>(cancelled, [](CSelectReaderDlg& d) {
            QTest::mouseClick(Button(d, "cancelButton"), Qt::LeftButton);
        });
        QVERIFY(!cancelled.Run().has_value());

        CSelectReaderDlg empty(WkReaderChoice::FromDocuments({}, libs));
        QVERIFY(!empty.Run().has_value());
        QVERIFY(!empty.isVisible());
    }

    void readerTypeDialog() {
        CSelectReaderTypeDlg dialog;
        QCOMPARE(dialog.windowTitle(), QString("Select a Reader Type"));
        QCOMPARE(dialog.findChild<QLabel*>("explanation")->text(),
                 QString("After the selection of a reader type the default configuration of "
                         "this reader will be load into the editor."));
        QListWidget* list = ListOf(dialog);
        QCOMPARE(list->count(), 4);
        QCOMPARE(list->item(3)->text(), QString("KRD"));
        QCOMPARE(dialog.Result(), 1);
        WhenShown<CSelectReaderTypeDlg>(dialog, [](CSelectReaderTypeDlg& d) {
            ListOf(d)->setCurrentRow(3);
            QTest::mouseClick(Button(d, "okButton"), Qt::LeftButton);
        });
        QCOMPARE(dialog.Run(), 4);
        WhenShown<CSelectReaderTypeDlg>(dialog, [](CSelectReaderTypeDlg& d) {
            QTest::mouseClick(Button(d, "cancelButton"), Qt::LeftButton);
        });
        QCOMPARE(dialog.Run(), 0);
    }

    // It starts on the face the window shows, where the one it asks for is not installed.
    void fontDialogOffersColourBesideTheFontItStartsOn() {
        QFont window("Courier New", 11);
        window.setStyleHint(QFont::TypeWriter);
        CFontDlg dialog(window, Qt::black);
        QVERIFY(dialog.findChild<QPushButton*>() != nullptr);
        dialog.SetColor(Qt::red);
        QCOMPARE(dialog.SelectedColor(), QColor(Qt::red));
        QCOMPARE(dialog.SelectedFont().pointSize(), 11);
        QCOMPARE(dialog.SelectedFont().family(), QFontInfo(window).family());
        QVERIFY(!dialog.SelectedFont().italic());
    }

    void fileInfoShowsTheDocumentsModelAndTakesTheComment() {
        WkLogDoc log;
        log.SetTitle("Log1");
        std::optional<WkFileInfoModel> model = log.GetFileInfo();
        QVERIFY(model.has_value());
        CFileInfoDlg dialog(*model);
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QString("File-Info"));
        QCOMPARE(dialog.findChild<QLabel*>("fileTypeLabel")->text(),
                 QString("File Version: LOG-01"));
        QCOMPARE(dialog.findChild<QLineEdit*>("fileNameField")->text(), QString("Log1"));
        QCOMPARE(dialog.findChild<QLineEdit*>("editedField")->text(), QString("Corvel"));
        QCOMPARE(dialog.findChild<QLineEdit*>("versionField")->text(), QString("03.00.00"));
        QVERIFY(!dialog.findChild<QLineEdit*>("typeField")->isVisible());
        QVERIFY(!dialog.findChild<QLineEdit*>("softwareField")->isVisible());
        auto* comment = dialog.findChild<QPlainTextEdit*>("commentEdit");
        QVERIFY(comment->isVisible());
        comment->setPlainText("line 1\nline 2");
        QTest::mouseClick(Button(dialog, "okButton"), Qt::LeftButton);
        QCOMPARE(log.InfoString(1), std::string("line 1\r\nline 2"));
        QVERIFY(log.IsModified());
    }

    void fileInfoCommentIsStoredInTheWindowsCodePage() {
        QTemporaryDir dir;
        const std::string path = PathFromQt(dir.filePath("euro.prt"));
        const QString euro = QString::fromUtf8("5 \u20ac \u2013 \u201cok\u201d");
        WkProtEditDoc doc;
        QVERIFY(doc.OnNewDocument());
        ScriptedPrompts prompts;
        doc.SetPrompts(&prompts);
        std::optional<WkFileInfoModel> model = doc.GetFileInfo();
        {
            CFileInfoDlg dialog(*model);
            dialog.show();
            dialog.findChild<QPlainTextEdit*>("commentEdit")->setPlainText(euro);
            QTest::mouseClick(Button(dialog, "okButton"), Qt::LeftButton);
            QVERIFY(!dialog.isVisible());
        }
        QVERIFY(prompts.Records().empty());
        QVERIFY(doc.SaveFile(path));
        // Header: 20 strings, the file type, then the comment: 10 bytes of Windows-1252.
        std::ifstream in(path, std::ios::binary);
        std::string bytes(20, '\0');
        in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        QCOMPARE(bytes, std::string("\x14\x00\x06PRT-02\x0A"
                                    "5 \x80 \x96 \x93ok\x94",
                                    20));

        WkProtEditDoc loaded;
        QVERIFY(loaded.LoadFile(path));
        loaded.SetPrompts(&prompts);
        std::optional<WkFileInfoModel> again = loaded.GetFileInfo();
        CFileInfoDlg dialog(*again);
        dialog.show();
        auto* comment = dialog.findChild<QPlainTextEdit*>("commentEdit");
        QCOMPARE(comment->toPlainText(), euro);

        // A character the code page lacks is told before anything is stored; No keeps the
        // dialog open on it.
        prompts.AnswerYesNo(false);
        comment->setPlainText(QString::fromUtf8("gate \u5317"));
        QTest::mouseClick(Button(dialog, "okButton"), Qt::LeftButton);
        QVERIFY(dialog.isVisible());
        QCOMPARE(prompts.Records().size(), std::size_t{1});
        QCOMPARE(prompts.Records()[0].text,
                 std::string("The comment holds characters that a file cannot store:\n\u5317\n"
                             "Store them as '?'?"));
        QVERIFY(!loaded.IsModified());
        QCOMPARE(loaded.GetFileInfo()->Comment(), euro.toUtf8().toStdString());
    }
};

QTEST_MAIN(SelectionDialogTest)
#include "SelectionDialogTest.moc"
