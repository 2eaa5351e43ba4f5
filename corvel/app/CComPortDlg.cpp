#include "CComPortDlg.h"

#include "Prompts.h"
#include "WkQtText.h"
#include "ui_CComPortDlg.h"

#include <QMetaObject>

namespace {

const char* const kBaudRates[] = {"1200",  "2400",  "4800",  "9600",
                                  "19200", "38400", "57600", "115200"};
const char* const kFrames[] = {"7N1", "7E1", "7O1", "7N2", "7E2", "7O2", "8N1", "8E1", "8O1"};

void SetChecked(QCheckBox* box, bool on) {
    const bool blocked = box->blockSignals(true);
    box->setChecked(on);
    box->blockSignals(blocked);
}

void SelectText(QComboBox* box, const std::string& text) {
    box->setCurrentIndex(box->findText(ToQt(text), Qt::MatchExactly));
}

// The toolkit's data exchange of a whole number within a range.
bool ReadWithin(const QLineEdit* edit, int low, int high, Prompts& prompts) {
    bool ok = false;
    const int value = edit->text().trimmed().toInt(&ok);
    if (!ok) {
        prompts.ShowMessage("Please enter an integer.", Prompts::Icon::Warning);
        return false;
    }
    if (value < low || value > high) {
        prompts.ShowMessage("Please enter an integer between " + std::to_string(low) + " and " +
                                std::to_string(high) + ".",
                            Prompts::Icon::Warning);
        return false;
    }
    return true;
}

} // namespace

CComPortDlg::CComPortDlg(WkComPortManager& manager, WkPortAccess& access, Prompts& prompts,
                         QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CComPortDlg>()), manager_(manager), access_(access),
      prompts_(prompts) {
    ui_->setupUi(this);
    for (const char* baud : kBaudRates) {
        ui_->comboBaud->addItem(baud);
    }
    for (const char* frame : kFrames) {
        ui_->comboFrame->addItem(frame);
    }
    // CTS and DSR only show the lines.
    for (QCheckBox* indicator : {ui_->checkCts, ui_->checkDsr}) {
        indicator->setAttribute(Qt::WA_TransparentForMouseEvents);
        indicator->setFocusPolicy(Qt::NoFocus);
    }

    // Line changes come on the serial-port library's thread; they are queued to this window,
    // so they are handled in order with its other events.
    access_.SetLineListener([this](int port, int, int message, int state) {
        QMetaObject::invokeMethod(
            this, [this, port, message, state] { OnLineEvent(port, message, state); },
            Qt::QueuedConnection);
    });

    // 1. Labels and buttons.
    ui_->buttonOpen->setEnabled(false);
    ui_->buttonSave->setEnabled(false);
    ui_->labelCom->setText("COM");
    ui_->labelBaud->setText("Baudrate");
    ui_->labelBlockTimeout->setText("Block Timeout");
    ui_->labelCharTimeout->setText("Char Timeout");
    ui_->labelFrame->setText("Frame");
    ui_->labelOpenPorts->setText("Open COM Ports");
    ui_->labelAssociations->setText("Associated with Files/Readers");
    ui_->buttonSave->setText("Save");
    ui_->buttonCancel->setText("Cancel");
    ui_->buttonOk->setText("OK");
    SetOpenMode(true);

    // 2. Nothing to edit until a port is shown.
    EnablePortControls(false);
    ui_->editCharTimeout->setEnabled(false);
    ShowLinesOff();

    // 3., 4. The ports of the machine and the open ones.
    FillPortBox();
    FillOpenPorts();

    // 5. The first open port is shown.
    const int first = WkComPortManager::NumberOfEntry(FromQt(ui_->listOpenPorts->item(0)->text()));
    if (first > 0) {
        ui_->buttonOpen->setEnabled(true);
        EnablePortControls(true);
        shownPort_ = manager_.FindHandleByNumber(first);
        SetOpenMode(false);
        params_ = manager_.ReadParameters(shownPort_);
        ui_->buttonSave->setEnabled(true);
        SelectPortInBox(first);
        SelectOpenPortEntry(first);
        ShowParameters();
        RefreshLines();
        ShowLineControl();
        manager_.WatchLines(shownPort_);
    } else {
        ui_->comboPort->setCurrentIndex(0);
        ShowParameters();
    }

    // 6.
    FillAssociations();
    ui_->buttonSearch->hide();

    connect(ui_->comboPort, &QComboBox::activated, this, [this] { OnPortBoxChanged(); });
    connect(ui_->listOpenPorts, &QListWidget::currentRowChanged, this, [this] {
        if (!filling_) {
            OnOpenPortsChanged();
        }
    });
    connect(ui_->buttonOpen, &QPushButton::clicked, this, [this] { OnOpenClose(); });
    connect(ui_->buttonSave, &QPushButton::clicked, this, [this] { OnSave(); });
    connect(ui_->buttonOk, &QPushButton::clicked, this, &CComPortDlg::accept);
    connect(ui_->buttonCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui_->checkTxTimeControl, &QCheckBox::clicked, this, [this] { OnTxTimeControl(); });
    connect(ui_->checkRts, &QCheckBox::clicked, this, [this](bool on) { OnLineBox("RTS", on); });
    connect(ui_->checkDtr, &QCheckBox::clicked, this, [this](bool on) { OnLineBox("DTR", on); });
    connect(ui_->checkReconnect, &QCheckBox::clicked, this, [this](bool on) {
        if (shownPort_ > 0) {
            manager_.SetReconnect(shownPort_, on);
        }
    });
}

CComPortDlg::~CComPortDlg() {
    // After this no line event is queued to the window any more.
    access_.SetLineListener({});
    manager_.UnwatchLines();
}

void CComPortDlg::FillPortBox() {
    ui_->comboPort->clear();
    ui_->comboPort->addItem("None");
    for (int number : manager_.DetectedPorts()) {
        ui_->comboPort->addItem(ToQt(manager_.PortBoxText(number)));
    }
}

void CComPortDlg::FillOpenPorts() {
    filling_ = true;
    ui_->listOpenPorts->clear();
    for (const std::string& text : manager_.OpenPortTexts()) {
        ui_->listOpenPorts->addItem(ToQt(text));
    }
    filling_ = false;
}

void CComPortDlg::FillAssociations() {
    int number = 0;
    if (const QListWidgetItem* item = ui_->listOpenPorts->currentItem()) {
        number = WkComPortManager::NumberOfEntry(FromQt(item->text()));
    }
    ui_->listAssociations->clear();
    for (const std::string& text : manager_.AssociationList(number)) {
        ui_->listAssociations->addItem(ToQt(text));
    }
}

void CComPortDlg::EnablePortControls(bool enable) {
    for (QWidget* control : std::initializer_list<QWidget*>{
             ui_->comboBaud, ui_->comboFrame, ui_->editBlockTimeout, ui_->editMultiplier,
             ui_->editTxDelay, ui_->checkTxTimeControl, ui_->checkPerformance, ui_->checkRts,
             ui_->checkDtr, ui_->checkReconnect}) {
        control->setEnabled(enable);
    }
}

void CComPortDlg::SetOpenMode(bool open) {
    openMode_ = open;
    ui_->buttonOpen->setText(open ? "Open Port" : "Close Port");
}

void CComPortDlg::ShowParameters() {
    ui_->editBlockTimeout->setText(ToQt(params_.timeout));
    ui_->editCharTimeout->setText(ToQt(params_.charTimeout));
    ui_->editMultiplier->setText(ToQt(params_.charTimeoutMpy));
    ui_->editTxDelay->setText(ToQt(params_.txDelayTime));
    SelectText(ui_->comboFrame, params_.frame);
    SelectText(ui_->comboBaud, params_.baud);
    if (params_.txTimeControl == "1") {
        SetChecked(ui_->checkTxTimeControl, true);
        if (ui_->comboPort->currentIndex() > 0) {
            ui_->editTxDelay->setEnabled(true);
        }
    } else {
        SetChecked(ui_->checkTxTimeControl, false);
        ui_->editTxDelay->setEnabled(false);
    }
    SetChecked(ui_->checkPerformance, params_.performance != "1");
    SetChecked(ui_->checkReconnect, shownPort_ <= 0 || manager_.Reconnects(shownPort_));
}

void CComPortDlg::SelectRefused(const std::string& key, const WkPortParams& wanted) {
    const std::pair<QLineEdit*, const std::string*> edits[] = {
        {ui_->editBlockTimeout, key == "timeout" ? &wanted.timeout : nullptr},
        {ui_->editTxDelay, key == "TxDelayTime" ? &wanted.txDelayTime : nullptr},
        {ui_->editMultiplier, key == "CharTimeoutMpy" ? &wanted.charTimeoutMpy : nullptr},
    };
    for (const auto& [edit, value] : edits) {
        if (value != nullptr) {
            // What the user typed stays, selected, to be mended.
            edit->setText(ToQt(*value));
            edit->setFocus();
            edit->selectAll();
            return;
        }
    }
    QWidget* field = ui_->checkPerformance;
    if (key == "baud") {
        field = ui_->comboBaud;
    } else if (key == "frame") {
        field = ui_->comboFrame;
    } else if (key == "TxTimeControl") {
        field = ui_->checkTxTimeControl;
    }
    field->setFocus();
}

WkPortParams CComPortDlg::CollectParameters() const {
    WkPortParams params = params_;
    params.baud = FromQt(ui_->comboBaud->currentText());
    params.frame = FromQt(ui_->comboFrame->currentText());
    params.timeout = FromQt(ui_->editBlockTimeout->text());
    params.txTimeControl = ui_->checkTxTimeControl->isChecked() ? "1" : "0";
    params.performance = ui_->checkPerformance->isChecked() ? "0" : "1";
    params.txDelayTime = FromQt(ui_->editTxDelay->text());
    params.charTimeoutMpy = FromQt(ui_->editMultiplier->text());
    return params;
}

void CComPortDlg::RefreshLines() {
    const WkLineStates states = manager_.LineStates(shownPort_);
    SetChecked(ui_->checkDtr, states.dtr);
    SetChecked(ui_->checkRts, states.rts);
    SetChecked(ui_->checkCts, states.cts);
    SetChecked(ui_->checkDsr, states.dsr);
}

void CComPortDlg::ShowLinesOff() {
    for (QCheckBox* box : {ui_->checkDtr, ui_->checkRts, ui_->checkCts, ui_->checkDsr}) {
        SetChecked(box, false);
    }
}

void CComPortDlg::SelectPortInBox(int number) {
    int index = 0;
    for (int row = 1; row < ui_->comboPort->count() && index == 0; ++row) {
        if (WkComPortManager::NumberOfPortBoxEntry(FromQt(ui_->comboPort->itemText(row))) ==
            number) {
            index = row;
        }
    }
    ui_->comboPort->setCurrentIndex(index);
}

void CComPortDlg::SelectOpenPortEntry(int number) {
    filling_ = true;
    for (int row = 0; row < ui_->listOpenPorts->count(); ++row) {
        if (WkComPortManager::NumberOfEntry(FromQt(ui_->listOpenPorts->item(row)->text())) ==
            number) {
            ui_->listOpenPorts->setCurrentRow(row);
            break;
        }
    }
    filling_ = false;
}

int CComPortDlg::ChosenNumber() const {
    return ui_->comboPort->currentIndex() > 0
               ? WkComPortManager::NumberOfPortBoxEntry(FromQt(ui_->comboPort->currentText()))
               : 0;
}

std::string CComPortDlg::ChosenText() const {
    return std::to_string(ChosenNumber());
}

void CComPortDlg::ShowLineControl() {
    const int number = ChosenNumber();
    const bool carries = number == 0 || manager_.CarriesLines(number);
    for (QCheckBox* box : {ui_->checkRts, ui_->checkDtr, ui_->checkCts, ui_->checkDsr}) {
        box->setToolTip(carries ? QString()
                                : "A raw TCP port: the device server keeps its own modem lines.");
        if (!carries || box == ui_->checkCts || box == ui_->checkDsr) {
            box->setEnabled(carries);
        }
    }
    for (QComboBox* box : {ui_->comboBaud, ui_->comboFrame}) {
        box->setToolTip(carries ? QString()
                                : "A raw TCP port: kept with the port, but the device server's "
                                  "own setting applies.");
    }
}

bool CComPortDlg::ValidateEdits() {
    return ReadWithin(ui_->editMultiplier, 1, 10, prompts_) &&
           ReadWithin(ui_->editTxDelay, 0, 999, prompts_);
}

void CComPortDlg::OnPortBoxChanged() {
    manager_.UnwatchLines();
    const int number = ChosenNumber();
    if (number == 0) {
        SetOpenMode(true);
        ui_->buttonOpen->setEnabled(false);
        shownPort_ = 0;
        params_ = WkPortParams{};
        ShowLinesOff();
    } else {
        ui_->buttonOpen->setEnabled(true);
        // Parameters and lines can be chosen before the port is opened.
        EnablePortControls(true);
        const int handle = manager_.FindHandleByNumber(number);
        if (handle <= 0) {
            SetOpenMode(true);
            shownPort_ = 0;
            ui_->buttonSave->setEnabled(false);
            ShowLinesOff();
            params_ = WkPortParams{};
        } else {
            SetOpenMode(false);
            shownPort_ = handle;
            params_ = manager_.ReadParameters(handle);
            RefreshLines();
            manager_.WatchLines(handle);
            ui_->buttonSave->setEnabled(true);
            SelectOpenPortEntry(number);
            FillAssociations();
        }
    }
    ShowParameters();
    ShowLineControl();
}

void CComPortDlg::OnOpenPortsChanged() {
    manager_.UnwatchLines();
    const QListWidgetItem* item = ui_->listOpenPorts->currentItem();
    const int number = item != nullptr ? WkComPortManager::NumberOfEntry(FromQt(item->text())) : 0;
    if (number > 0) {
        ui_->buttonOpen->setEnabled(true);
        EnablePortControls(true);
        SelectPortInBox(number);
        shownPort_ = manager_.FindHandleByNumber(number);
        params_ = manager_.ReadParameters(shownPort_);
        ShowParameters();
        RefreshLines();
        ShowLineControl();
        manager_.WatchLines(shownPort_);
        ui_->buttonSave->setEnabled(true);
        FillAssociations();
        SetOpenMode(false);
    } else {
        shownPort_ = 0;
        ui_->checkRts->setEnabled(false);
        ui_->checkDtr->setEnabled(false);
        ShowLinesOff();
        FillAssociations();
    }
}

void CComPortDlg::OnOpenClose() {
    const int number = ChosenNumber();
    if (number == 0) {
        return;
    }
    if (openMode_) {
        std::string refused;
        const WkPortParams wanted = CollectParameters();
        const int handle = manager_.OpenPort(ChosenText(), ui_->checkRts->isChecked(),
                                             ui_->checkDtr->isChecked(), wanted, &refused);
        if (handle <= 0) {
            return;
        }
        if (!ui_->checkReconnect->isChecked()) {
            manager_.SetReconnect(handle, false);
        }
        shownPort_ = handle;
        EnablePortControls(true);
        RefreshLines();
        ShowLineControl();
        FillOpenPorts();
        ui_->buttonSave->setEnabled(true);
        SetOpenMode(false);
        SelectOpenPortEntry(number);
        FillAssociations();
        if (!refused.empty()) {
            // The accepted values stay as the port took them; the refused one keeps what the
            // user typed, selected.
            params_ = manager_.ReadParameters(handle);
            ShowParameters();
            SelectRefused(refused, wanted);
        }
        return;
    }
    if (!manager_.ClosePort(number)) {
        return;
    }
    shownPort_ = 0;
    FillOpenPorts();
    filling_ = true;
    ui_->listOpenPorts->setCurrentRow(0);
    filling_ = false;
    FillAssociations();
    ui_->buttonSave->setEnabled(false);
    SetOpenMode(true);
    OnOpenPortsChanged();
    // The closed port stays chosen, ready to be opened again.
    if (ui_->listOpenPorts->item(0)->text() == "None") {
        SelectPortInBox(number);
        SetOpenMode(true);
        EnablePortControls(true);
    }
}

bool CComPortDlg::OnSave() {
    const int number = ChosenNumber();
    if (number == 0) {
        return true;
    }
    const int handle = manager_.FindHandleByNumber(number);
    if (handle <= 0) {
        return true;
    }
    SetOpenMode(false);
    const WkPortParams wanted = CollectParameters();
    std::string refused;
    manager_.ApplyParameters(handle, ChosenText(), wanted, &refused);
    params_ = manager_.ReadParameters(handle);
    ShowParameters();
    if (!refused.empty()) {
        SelectRefused(refused, wanted);
        return false;
    }
    return true;
}

void CComPortDlg::accept() {
    // The edits go out as they stand; the range checks follow, as the data exchange of OK. A
    // refused value keeps the dialog open on it.
    if (OnSave() && ValidateEdits()) {
        QDialog::accept();
    }
}

void CComPortDlg::OnTxTimeControl() {
    ValidateEdits();
    ui_->editTxDelay->setEnabled(ui_->checkTxTimeControl->isChecked());
}

void CComPortDlg::OnLineBox(const std::string& line, bool on) {
    QCheckBox* box = line == "RTS" ? ui_->checkRts : ui_->checkDtr;
    const int handle = ChosenNumber() > 0 ? manager_.FindHandleByNumber(ChosenNumber()) : 0;
    const bool valid = ValidateEdits();
    if (valid && handle > 0) {
        manager_.SetLine(handle, line, on);
    }
    // The box shows the line as it is, whatever reached it; before the port is open, what
    // will be set when it opens (unchanged when the click was refused).
    if (handle > 0) {
        const WkLineStates states = manager_.LineStates(handle);
        SetChecked(box, line == "RTS" ? states.rts : states.dtr);
    } else if (!valid) {
        SetChecked(box, !on);
    }
}

void CComPortDlg::OnLineEvent(int port, int message, int state) {
    if (port != shownPort_) {
        return; // a change of a port that is no longer shown
    }
    if (message == WkComPortManager::kCtsMessage) {
        SetChecked(ui_->checkCts, state == 1);
    } else if (message == WkComPortManager::kDsrMessage) {
        SetChecked(ui_->checkDsr, state == 1);
    }
}
