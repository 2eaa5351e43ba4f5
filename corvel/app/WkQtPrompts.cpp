#include "WkQtPrompts.h"

#include "CSelectComPortDlg.h"
#include "CSelectReaderDlg.h"
#include "CSelectReaderTypeDlg.h"
#include "CorvelApp.h"
#include "WkQtText.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

QMessageBox::Icon ToQtIcon(Prompts::Icon icon) {
    switch (icon) {
    case Prompts::Icon::Information:
        return QMessageBox::Information;
    case Prompts::Icon::Warning:
        return QMessageBox::Warning;
    case Prompts::Icon::Error:
        return QMessageBox::Critical;
    case Prompts::Icon::Question:
        return QMessageBox::Question;
    case Prompts::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

const char* kAllFiles = "All-Files(*.*)";

} // namespace

void WkQtPrompts::ShowMessage(const std::string& text, Icon icon) {
    if (silent_) {
        return;
    }

    QMessageBox box(ToQtIcon(icon), CorvelText::kProgramTitle, MessageToQt(text), QMessageBox::Ok,
                    parent_);
    box.exec();
}

bool WkQtPrompts::AskYesNo(const std::string& text) {
    if (silent_) {
        return false;
    }

    return QMessageBox::question(parent_, CorvelText::kProgramTitle, MessageToQt(text),
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

bool WkQtPrompts::AskYesNoDefaultNo(const std::string& text) {
    if (silent_) {
        return false;
    }
    return QMessageBox::question(parent_, CorvelText::kProgramTitle, ToQt(text),
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

Prompts::Answer WkQtPrompts::AskYesNoCancel(const std::string& text) {
    if (silent_) {
        return Answer::Cancel;
    }

    auto answer = QMessageBox::question(parent_, CorvelText::kProgramTitle, MessageToQt(text),
                                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (answer == QMessageBox::Yes) {
        return Answer::Yes;
    }
    return answer == QMessageBox::No ? Answer::No : Answer::Cancel;
}

int WkQtPrompts::SelectFromList(const std::string& title, const std::string& text,
                                const std::vector<std::string>& items, int preselected) {
    if (silent_) {
        return -1;
    }
    QDialog dialog(parent_);
    dialog.setWindowTitle(ToQt(title));
    auto* layout = new QVBoxLayout(&dialog);
    if (!text.empty()) {
        auto* label = new QLabel(MessageToQt(text), &dialog);
        label->setWordWrap(true);
        layout->addWidget(label);
    }
    auto* list = new QListWidget(&dialog);
    for (const std::string& item : items) {
        list->addItem(MessageToQt(item));
    }
    if (preselected >= 0 && preselected < list->count()) {
        list->setCurrentRow(preselected);
    }
    layout->addWidget(list);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* ok = new QPushButton("OK", &dialog);
    auto* cancel = new QPushButton("Cancel", &dialog);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
    if (dialog.exec() != QDialog::Accepted) {
        return -1;
    }
    return list->currentRow();
}

void WkQtPrompts::BeginWaitCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void WkQtPrompts::EndWaitCursor() {
    QApplication::restoreOverrideCursor();
}

std::optional<std::string> WkQtPrompts::AskOpenFileName() {
    return AskOpenFileOfTypes({});
}

std::optional<std::string>
WkQtPrompts::AskOpenFileOfTypes(const std::vector<std::string>& filters) {
    if (silent_) {
        return std::nullopt;
    }

    // Every document type at once first, then each type, then any file.
    QStringList names;
    QStringList patterns;
    for (const std::string& filter : filters) {
        const QString name = ToQt(filter);
        names << name;
        const qsizetype open = name.indexOf('(');
        if (open >= 0 && name.endsWith(')')) {
            patterns << name.mid(open + 1, name.size() - open - 2);
        }
    }
    if (!patterns.isEmpty()) {
        names.prepend(QString("All Corvel files (%1)").arg(patterns.join(' ')));
    }
    names << kAllFiles;
    QFileDialog dialog(parent_);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters(names);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return PathFromQt(dialog.selectedFiles().front());
}

std::optional<std::string> WkQtPrompts::AskSaveFileName(const std::string& proposal) {
    return AskSaveFileOfType(proposal, {});
}

std::optional<std::string> WkQtPrompts::AskSaveFileOfType(const std::string& proposal,
                                                          const std::string& filter) {
    return AskSaveFile(proposal, filter, true);
}

std::optional<std::string> WkQtPrompts::AskSaveFileKeepExisting(const std::string& proposal,
                                                                const std::string& filter) {
    return AskSaveFile(proposal, filter, false);
}

std::optional<std::string> WkQtPrompts::AskSaveFile(const std::string& proposal,
                                                    const std::string& filter,
                                                    bool confirmOverwrite) {
    if (silent_) {
        return std::nullopt;
    }

    QStringList names;
    if (!filter.empty()) {
        names << ToQt(filter);
    }
    names << kAllFiles;
    // The logic adds the type's extension to a bare name, so the dialog adds none.
    QString path = QFileDialog::getSaveFileName(
        parent_, QString(), PathToQt(proposal), names.join(";;"), nullptr,
        confirmOverwrite ? QFileDialog::Options() : QFileDialog::DontConfirmOverwrite);
    if (path.isEmpty()) {
        return std::nullopt;
    }
    return PathFromQt(path);
}

int WkQtPrompts::AskChoice(const std::string& text, const std::vector<std::string>& buttons,
                           int preferred) {
    if (silent_) {
        return -1;
    }
    QMessageBox box(QMessageBox::Question, CorvelText::kProgramTitle, MessageToQt(text),
                    QMessageBox::NoButton, parent_);
    std::vector<QPushButton*> pushed;
    for (const std::string& label : buttons) {
        // The last button is the box's escape; the others only answer.
        pushed.push_back(box.addButton(ToQt(label), &label == &buttons.back()
                                                        ? QMessageBox::RejectRole
                                                        : QMessageBox::AcceptRole));
    }
    if (preferred >= 0 && preferred < static_cast<int>(pushed.size())) {
        box.setDefaultButton(pushed[static_cast<std::size_t>(preferred)]);
    }
    box.exec();
    const auto it = std::find(pushed.begin(), pushed.end(), box.clickedButton());
    return it == pushed.end() ? -1 : static_cast<int>(it - pushed.begin());
}

std::optional<std::string> WkQtPrompts::AskText(const std::string& title, const std::string& text,
                                                const std::string& initial) {
    if (silent_) {
        return std::nullopt;
    }
    bool ok = false;
    const QString typed = QInputDialog::getText(parent_, ToQt(title), MessageToQt(text),
                                                QLineEdit::Normal, ToQt(initial), &ok);
    return ok ? std::optional<std::string>(FromQt(typed)) : std::nullopt;
}

int WkQtPrompts::SelectComPort(const WkComPortChoice& choice) {
    if (silent_) {
        return 0;
    }

    CSelectComPortDlg dialog(choice, parent_);
    return dialog.Run();
}

std::optional<WkReaderSelection> WkQtPrompts::SelectReader(const WkReaderChoice& choice) {
    if (silent_) {
        return std::nullopt;
    }

    CSelectReaderDlg dialog(choice, parent_);
    return dialog.Run();
}

int WkQtPrompts::SelectReaderType() {
    if (silent_) {
        return 0;
    }

    CSelectReaderTypeDlg dialog(parent_);
    return dialog.Run();
}
