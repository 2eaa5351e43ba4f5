#pragma once
// The protocol window's view: a plain text control that lines are appended to at the end,
// never re-rendered as a whole.

#include "WkDocumentView.h"
#include "WkLogSink.h"
#include "WkRtfText.h"

#include <QPlainTextEdit>
#include <functional>
#include <memory>
#include <string>

class WkLogDoc;
class QPrinter;
class QTimer;

class WkLogView : public QPlainTextEdit, public WkLogSink, public WkDocumentView {
    Q_OBJECT
public:
    /// Attaches itself to `document` and shows the lines the document was opened with.
    WkLogView(std::shared_ptr<WkLogDoc> document, QWidget* parent = nullptr);
    ~WkLogView() override;

    WkLogDoc& Document() const { return *document_; }

    void AppendLines(const std::vector<std::string>& lines) override;
    void RequestDrain(bool callerWaits) override;
    std::vector<std::string> Lines() const override;

    /// "Add to Macro" in the context menu hands the line under the mouse to `action`; the
    /// entry is there while an action is set and enabled on lines that hold a frame.
    void SetAddToMacro(std::function<bool(const std::string& line)> action);

    /// The default character format: face, size, weight, style and colour for the whole text.
    void ApplyFont(const WkLogFont& font);
    /// The font dialog; on OK the whole window takes the chosen format.
    void ChooseFont();
    /// Prints on `printer` with margins of 720 twips.
    void PrintOn(QPrinter& printer) override;

    // WkDocumentView: print, font, and cut, copy and paste of the text.
    WkViewCommandSet AvailableCommands() const override;
    void RunCommand(WkViewCommand command) override;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private slots:
    void DrainNow();

private:
    std::shared_ptr<WkLogDoc> document_;
    QTimer* repaintTimer_;
    QTimer* drainTimer_;
    std::function<bool(const std::string&)> addToMacro_;
};
