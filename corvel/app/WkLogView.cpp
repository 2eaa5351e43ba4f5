#include "WkLogView.h"

#include "CFontDlg.h"
#include "WkCommandMenu.h"
#include "WkLogCommands.h"
#include "WkLogDoc.h"
#include "WkLogLineFrame.h"
#include "WkLogTableModel.h"
#include "WkLogViewFeed.h"
#include "WkQtText.h"
#include "WkReaderCommandTable.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPageLayout>
#include <QPrinter>
#include <QScrollBar>
#include <QSettings>
#include <QSignalBlocker>
#include <QTableView>
#include <QTextDocument>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <set>

namespace {
constexpr double kTwipsPerPoint = 20.0;
constexpr double kPrintMarginMillimetres = 720 / 1440.0 * 25.4;
constexpr const char* kLineLimitKey = "ProtocolWindow/LineLimit";
// What the decoded columns are made wide enough for, in the window's font (or their titles,
// where those are wider): a whole time stamp, an address, a command and a status as most are
// named, a short frame and what it means.
constexpr const char* kColumnSamples[] = {"00:00:00.000",
                                          ">>",
                                          "255",
                                          "[0x11] Read Serial Number",
                                          "Address Error",
                                          "0B 00 11 00 03 01 02 03 04 05",
                                          "type: 3 (TTD), serial number: 0102030405",
                                          "99999 ms"};
static_assert(std::size(kColumnSamples) == WkLogRows::kColumnCount);
} // namespace

WkLogView::WkLogView(std::shared_ptr<WkLogDoc> document, QWidget* parent)
    : QWidget(parent), document_(std::move(document)) {
    document_->SetLineLimit(
        QSettings()
            .value(kLineLimitKey, static_cast<qulonglong>(WkLogStore::kDefaultLineLimit))
            .toULongLong());
    model_ = new WkLogTableModel(document_->Store(), this);
    table_ = new QTableView(this);
    table_->setModel(model_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setWordWrap(false);
    table_->setShowGrid(false);
    table_->verticalHeader()->hide();
    // Rows of one height: the table never measures ten million rows one by one.
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(table_, &QTableView::customContextMenuRequested, this, [this](const QPoint& at) {
        const QModelIndex index = table_->indexAt(at);
        menuRow_.reset();
        if (index.isValid()) {
            menuRow_ = static_cast<std::uint64_t>(index.row());
        }
        contextMenu_->popup(table_->viewport()->mapToGlobal(at));
    });
    connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                model_->HighlightPartnerOf(current.isValid() ? std::optional<int>(current.row())
                                                             : std::nullopt);
            });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    BuildFilterBar();
    layout->addWidget(table_, 1);
    BuildContextMenu();

    ApplyFont(document_->Font());
    feed_ = std::make_unique<WkLogViewFeed>(document_, *model_);
    // The view follows new lines only while it shows the last row. Rows taken are drawn, and
    // followed, at most once a batch time: the window's own lines go in one by one, and
    // drawing the table costs far more than taking a row.
    redrawTimer_ = new QTimer(this);
    redrawTimer_->setSingleShot(true);
    redrawTimer_->setInterval(WkLogDoc::kBatchTime);
    connect(redrawTimer_, &QTimer::timeout, this, [this] {
        if (following_) {
            table_->scrollToBottom();
        }
        table_->setUpdatesEnabled(true);
    });
    connect(feed_.get(), &WkLogViewFeed::RowsAboutToBeTaken, this, [this] {
        if (redrawTimer_->isActive()) {
            return;
        }
        const QScrollBar* bar = table_->verticalScrollBar();
        following_ = bar->value() >= bar->maximum();
        table_->setUpdatesEnabled(false);
        redrawTimer_->start();
    });
    connect(feed_.get(), &WkLogViewFeed::RowsTaken, this, &WkLogView::ShowPorts);
}

// The feed (a member) detaches from the document before the model (a child) goes.
WkLogView::~WkLogView() = default;

void WkLogView::BuildFilterBar() {
    // Two rows, the filters and the search, so that a window of half the screen shows all.
    auto* bar = new QHBoxLayout();
    bar->setContentsMargins(4, 2, 4, 0);
    auto* searchBar = new QHBoxLayout();
    searchBar->setContentsMargins(4, 0, 4, 0);
    address_ = new QLineEdit(this);
    address_->setPlaceholderText("any");
    address_->setValidator(new QIntValidator(0, 255, address_));
    address_->setMaximumWidth(48);
    command_ = new QComboBox(this);
    // As wide as a short name, not the longest: the bar fits a narrow window.
    command_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    command_->setMinimumContentsLength(20);
    command_->addItem("Any command", -1);
    std::set<int> listed;
    for (const WkReaderCommand& command : ReaderCommands()) {
        if (listed.insert(command.code).second) {
            command_->addItem(FindReaderCommand(command.code)->name, command.code);
        }
    }
    direction_ = new QComboBox(this);
    direction_->addItems({"Both directions", "Requests", "Answers"});
    port_ = new QComboBox(this);
    port_->setObjectName("portFilter");
    port_->addItem("Any port", -1);
    port_->setVisible(false);
    errorsOnly_ = new QCheckBox("Errors onl&y", this);
    errorsOnly_->setObjectName("errorsOnly");
    search_ = new QLineEdit(this);
    search_->setPlaceholderText("Search");
    search_->setClearButtonEnabled(true);
    auto* previous = new QToolButton(this);
    previous->setText("Find &Previous");
    auto* next = new QToolButton(this);
    next->setText("Find &Next");
    plainText_ = new QCheckBox("Plain &text", this);

    auto* addressLabel = new QLabel("&Address:", this);
    addressLabel->setBuddy(address_);
    bar->addWidget(addressLabel);
    bar->addWidget(address_);
    bar->addWidget(command_);
    bar->addWidget(direction_);
    bar->addWidget(port_);
    bar->addWidget(errorsOnly_);
    bar->addStretch(1);
    searchBar->addWidget(search_, 1);
    searchBar->addWidget(previous);
    searchBar->addWidget(next);
    searchBar->addSpacing(12);
    searchBar->addWidget(plainText_);
    static_cast<QVBoxLayout*>(layout())->addLayout(bar);
    static_cast<QVBoxLayout*>(layout())->addLayout(searchBar);

    connect(address_, &QLineEdit::textChanged, this, &WkLogView::ApplyFilter);
    connect(command_, &QComboBox::currentIndexChanged, this, &WkLogView::ApplyFilter);
    connect(direction_, &QComboBox::currentIndexChanged, this, &WkLogView::ApplyFilter);
    connect(port_, &QComboBox::currentIndexChanged, this, &WkLogView::ApplyFilter);
    connect(errorsOnly_, &QCheckBox::toggled, this, &WkLogView::ApplyFilter);
    connect(search_, &QLineEdit::returnPressed, this, &WkLogView::FindNext);
    connect(next, &QToolButton::clicked, this, &WkLogView::FindNext);
    connect(previous, &QToolButton::clicked, this, &WkLogView::FindPrevious);
    connect(plainText_, &QCheckBox::toggled, this, &WkLogView::SetPlainText);
}

void WkLogView::BuildContextMenu() {
    using namespace CommandId;
    contextMenu_ = new QMenu(this);
    AddCommandEntry(*contextMenu_, kLogCopy, this, &WkLogView::copy);
    AddCommandEntry(*contextMenu_, kLogSelectAll, table_, &QTableView::selectAll);
    contextMenu_->addSeparator();
    AddCommandEntry(*contextMenu_, kLogExportCsv, this, [this] {
        if (prompts_ != nullptr) {
            WkLogCommands(*document_, model_->Rows()).ExportCsv(*prompts_);
        }
    });
    QAction* logToFile = AddCommandEntry(*contextMenu_, kLogToFile, this, [this] {
        if (prompts_ != nullptr) {
            WkLogCommands(*document_, model_->Rows()).ToggleLogToFile(*prompts_);
        }
    });
    logToFile->setCheckable(true);
    AddCommandEntry(*contextMenu_, kLogLineLimit, this, [this] {
        if (prompts_ != nullptr &&
            WkLogCommands(*document_, model_->Rows()).ChooseLineLimit(*prompts_)) {
            QSettings().setValue(kLineLimitKey, static_cast<qulonglong>(document_->LineLimit()));
            feed_->TakeRows();
        }
    });
    addToMacroAction_ = AddCommandEntry(*contextMenu_, kLogAddToMacro, this, [this] {
        if (addToMacro_ && menuRow_) {
            addToMacro_(model_->Rows().RowText(*menuRow_));
        }
    });
    addToMacroAction_->setVisible(false);
    connect(contextMenu_, &QMenu::aboutToShow, this, [this, logToFile] {
        logToFile->setChecked(document_->IsLoggingToFile());
        addToMacroAction_->setVisible(static_cast<bool>(addToMacro_));
        addToMacroAction_->setEnabled(
            menuRow_ && WkLogLineFrame(model_->Rows().RowText(*menuRow_)).has_value());
    });
}

void WkLogView::SetAddToMacro(std::function<bool(const std::string& line)> action) {
    addToMacro_ = std::move(action);
}

void WkLogView::ApplyFilter() {
    WkLogFilter filter;
    filter.address = address_->text().isEmpty() ? -1 : address_->text().toInt();
    filter.command = command_->currentData().toInt();
    filter.direction = static_cast<WkLogFilter::Direction>(direction_->currentIndex());
    filter.port = port_->currentData().toInt();
    filter.errorsOnly = errorsOnly_->isChecked();
    if (filter == model_->Rows().Filter()) {
        return;
    }
    model_->SetFilter(filter);
    table_->scrollToBottom();
}

void WkLogView::SetPlainText(bool plain) {
    plainText_->setChecked(plain);
    model_->SetPlainText(plain);
    ShowPorts();
    if (!plain) {
        const QFontMetrics cells(table_->font());
        const QFontMetrics titles(table_->horizontalHeader()->font());
        // Room for the cell's margins.
        const int margin = 2 * cells.averageCharWidth();
        for (int column = 0; column < WkLogRows::kColumnCount; ++column) {
            table_->setColumnWidth(
                column, std::max(cells.horizontalAdvance(kColumnSamples[column]),
                                 titles.horizontalAdvance(WkLogRows::ColumnTitle(column))) +
                            margin);
        }
        // The port stands after the time; what a frame means before its bytes, so that a
        // narrow window shows it.
        QHeaderView* header = table_->horizontalHeader();
        header->moveSection(header->visualIndex(WkLogTableModel::kPortColumn), 1);
        header->moveSection(header->visualIndex(WkLogRows::kDecoded),
                            header->visualIndex(WkLogRows::kData));
        table_->setColumnWidth(WkLogTableModel::kPortColumn,
                               titles.horizontalAdvance("Port") + margin);
    }
}

void WkLogView::ShowPorts() {
    const std::vector<int>& ports = document_->Store().Ports();
    const bool several = ports.size() > 1;
    table_->setColumnHidden(WkLogTableModel::kPortColumn, !several || model_->PlainText());
    port_->setVisible(several);
    if (ports == listedPorts_) {
        return;
    }
    listedPorts_ = ports;
    const QSignalBlocker quiet(port_);
    const int chosen = port_->currentData().toInt();
    while (port_->count() > 1) {
        port_->removeItem(1);
    }
    for (int port : ports) {
        port_->addItem(QString("Port %1").arg(port), port);
    }
    port_->setCurrentIndex(std::max(0, port_->findData(chosen)));
}

std::vector<std::string> WkLogView::Lines() const {
    return document_->Lines();
}

QString WkLogView::toPlainText() const {
    QString text;
    const WkLogRows& rows = model_->Rows();
    for (std::uint64_t row = 0; row < rows.RowCount(); ++row) {
        text += Utf8ToQt(rows.RowText(row));
        text += '\n';
    }
    return text;
}

std::vector<std::string> WkLogView::SelectedLines() const {
    QModelIndexList selected = table_->selectionModel()->selectedRows();
    std::sort(selected.begin(), selected.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    std::vector<std::string> lines;
    for (const QModelIndex& index : selected) {
        lines.push_back(model_->Rows().RowText(static_cast<std::uint64_t>(index.row())));
    }
    return lines;
}

void WkLogView::copy() {
    QString text;
    for (const std::string& line : SelectedLines()) {
        text += Utf8ToQt(line) + '\n';
    }
    if (!text.isEmpty()) {
        QApplication::clipboard()->setText(text);
    }
}

void WkLogView::Find(bool forward) {
    const std::string text = search_->text().toUtf8().toStdString();
    const QModelIndex current = table_->currentIndex();
    std::optional<std::uint64_t> from;
    if (current.isValid()) {
        from = static_cast<std::uint64_t>(current.row());
    }
    if (std::optional<std::uint64_t> row = model_->Rows().Find(text, from, forward)) {
        const QModelIndex found = model_->index(static_cast<int>(*row), 0);
        table_->setCurrentIndex(found);
        table_->scrollTo(found, QAbstractItemView::PositionAtCenter);
    }
}

void WkLogView::FindNext() {
    Find(true);
}

void WkLogView::FindPrevious() {
    Find(false);
}

void WkLogView::ApplyFont(const WkLogFont& font) {
    QFont qfont(ToQt(font.face));
    qfont.setStyleHint(QFont::TypeWriter);
    qfont.setPointSizeF(font.heightTwips / kTwipsPerPoint);
    qfont.setBold(font.bold);
    qfont.setItalic(font.italic);
    qfont.setUnderline(font.underline);
    qfont.setStrikeOut(font.strikeOut);
    table_->setFont(qfont);
    table_->verticalHeader()->setDefaultSectionSize(QFontMetrics(qfont).height() + 2);
    QPalette colours = table_->palette();
    colours.setColor(QPalette::Text, font.autoColor ? QPalette().color(QPalette::Text)
                                                    : QColor::fromRgb(font.color));
    table_->setPalette(colours);
    document_->SetFont(font);
    SetPlainText(model_->PlainText());
}

void WkLogView::ChooseFont() {
    WkLogFont logFont = document_->Font();
    CFontDlg dialog(table_->font(), table_->palette().color(QPalette::Text), this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const QFont chosen = dialog.SelectedFont();
    logFont.autoColor = false;
    logFont.color = dialog.SelectedColor().rgb() & 0xFFFFFFu;
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
    QTextDocument text;
    text.setDefaultFont(table_->font());
    text.setPlainText(toPlainText());
    text.print(&printer);
}

WkViewCommandSet WkLogView::AvailableCommands() const {
    WkViewCommandSet commands{WkViewCommand::Print, WkViewCommand::Font};
    if (table_->selectionModel()->hasSelection()) {
        commands.Add(WkViewCommand::Copy);
    }
    return commands;
}

void WkLogView::RunCommand(WkViewCommand command) {
    if (command == WkViewCommand::Font) {
        ChooseFont();
    } else if (command == WkViewCommand::Copy) {
        copy();
    }
}
