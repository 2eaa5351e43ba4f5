#include "WkLogView.h"

#include "WkLogDoc.h"
#include "WkLogLineFrame.h"
#include "WkQtText.h"

#include <QContextMenuEvent>
#include <QFontDialog>
#include <QMenu>
#include <QPageLayout>
#include <QPrinter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <thread>

namespace {
constexpr double kTwipsPerPoint = 20.0;
constexpr int kRepaintMs = 20;
// The window's own lines are taken in batches at most this long after the first of them.
constexpr int kBatchMs = 10;
constexpr double kPrintMarginMillimetres = 720 / 1440.0 * 25.4;
} // namespace

WkLogView::WkLogView(std::shared_ptr<WkLogDoc> document, QWidget* parent)
    : QPlainTextEdit(parent), document_(std::move(document)) {
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // Appended lines are not undoable; an undo history of a long log would only cost memory.
    setUndoRedoEnabled(false);
    repaintTimer_ = new QTimer(this);
    repaintTimer_->setSingleShot(true);
    repaintTimer_->setInterval(kRepaintMs);
    connect(repaintTimer_, &QTimer::timeout, this, [this] { viewport()->setUpdatesEnabled(true); });
    drainTimer_ = new QTimer(this);
    drainTimer_->setSingleShot(true);
    drainTimer_->setInterval(kBatchMs);
    connect(drainTimer_, &QTimer::timeout, this, &WkLogView::DrainNow);
    ApplyFont(document_->Font());
    std::vector<std::string> loaded = document_->TakeLoadedLines();
    if (!loaded.empty()) {
        AppendLines(loaded);
    }
    document_->AttachSink(this, std::this_thread::get_id());
}

WkLogView::~WkLogView() {
    document_->DetachSink();
}

void WkLogView::AppendLines(const std::vector<std::string>& lines) {
    // One insertion per batch, each line followed by its line end; the text before it is
    // not touched. The view follows the end only when it was showing the end.
    QString text;
    std::size_t size = 0;
    for (const std::string& line : lines) {
        size += line.size() + 1;
    }
    text.reserve(static_cast<qsizetype>(size));
    for (const std::string& line : lines) {
        text += QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
        text += QChar::ParagraphSeparator;
    }
    // While lines keep coming the window is repainted at most every kRepaintMs: painting,
    // not inserting, is what a line costs otherwise.
    if (!repaintTimer_->isActive()) {
        viewport()->setUpdatesEnabled(false);
        repaintTimer_->start();
    }
    QScrollBar* bar = verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
    if (atEnd) {
        bar->setValue(bar->maximum());
    }
}

void WkLogView::RequestDrain(bool callerWaits) {
    // Called with the document locked: only post or arm the timer. A request without a
    // waiting caller comes from this thread, which owns the timer.
    if (callerWaits) {
        QMetaObject::invokeMethod(this, "DrainNow", Qt::QueuedConnection);
    } else if (!drainTimer_->isActive()) {
        drainTimer_->start();
    }
}

void WkLogView::DrainNow() {
    drainTimer_->stop();
    document_->Drain();
}

std::vector<std::string> WkLogView::Lines() const {
    std::vector<std::string> lines;
    QTextDocument* doc = document();
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        // The block after the last line end is where the next line goes, not a line.
        if (!block.next().isValid() && block.text().isEmpty()) {
            break;
        }
        lines.push_back(block.text().toUtf8().toStdString());
    }
    return lines;
}

void WkLogView::ApplyFont(const WkLogFont& font) {
    QFont qfont(ToQt(font.face));
    qfont.setStyleHint(QFont::TypeWriter);
    qfont.setPointSizeF(font.heightTwips / kTwipsPerPoint);
    qfont.setBold(font.bold);
    qfont.setItalic(font.italic);
    qfont.setUnderline(font.underline);
    qfont.setStrikeOut(font.strikeOut);
    setFont(qfont);
    QPalette colours = palette();
    colours.setColor(QPalette::Text, font.autoColor ? QPalette().color(QPalette::Text)
                                                    : QColor::fromRgb(font.color));
    setPalette(colours);
    document_->SetFont(font);
}

void WkLogView::ChooseFont() {
    bool ok = false;
    QFont chosen = QFontDialog::getFont(&ok, font(), this);
    if (!ok) {
        return;
    }
    WkLogFont logFont = document_->Font();
    logFont.face = FromQt(chosen.family());
    logFont.bold = chosen.weight() >= QFont::Bold;
    logFont.italic = chosen.italic();
    logFont.underline = chosen.underline();
    logFont.strikeOut = chosen.strikeOut();
    // Point size in tenths, twice that in twips.
    logFont.heightTwips = static_cast<int>(chosen.pointSizeF() * 10 + 0.5) * 2;
    ApplyFont(logFont);
}

void WkLogView::PrintOn(QPrinter& printer) {
    printer.setPageMargins(QMarginsF(kPrintMarginMillimetres, kPrintMarginMillimetres,
                                     kPrintMarginMillimetres, kPrintMarginMillimetres),
                           QPageLayout::Millimeter);
    print(&printer);
}

WkViewCommandSet WkLogView::AvailableCommands() const {
    WkViewCommandSet commands{WkViewCommand::Print, WkViewCommand::Font, WkViewCommand::Paste};
    if (textCursor().hasSelection()) {
        commands.Add(WkViewCommand::Cut);
        commands.Add(WkViewCommand::Copy);
    }
    return commands;
}

void WkLogView::RunCommand(WkViewCommand command) {
    switch (command) {
    case WkViewCommand::Font:
        ChooseFont();
        break;
    case WkViewCommand::Cut:
        cut();
        break;
    case WkViewCommand::Copy:
        copy();
        break;
    case WkViewCommand::Paste:
        paste();
        break;
    default:
        break;
    }
}

void WkLogView::SetAddToMacro(std::function<bool(const std::string& line)> action) {
    addToMacro_ = std::move(action);
}

void WkLogView::contextMenuEvent(QContextMenuEvent* event) {
    std::unique_ptr<QMenu> menu(createStandardContextMenu(event->pos()));
    if (addToMacro_) {
        const std::string line = FromQt(cursorForPosition(event->pos()).block().text());
        menu->addSeparator();
        QAction* add = menu->addAction("Add to Macro");
        add->setEnabled(WkLogLineFrame(line).has_value());
        connect(add, &QAction::triggered, this, [this, line] { addToMacro_(line); });
    }
    menu->exec(event->globalPos());
}
