#include "CAboutDlg.h"

#include "CorvelApp.h"
#include "WkPrompts.h"
#include "ui_CAboutDlg.h"

CAboutDlg::CAboutDlg(CorvelApp& app, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CAboutDlg>()) {
    ui_->setupUi(this);
    ui_->programTitle->setText(CorvelText::kProgramTitle);
    ui_->programVersion->setText(QString("Version: ") + CorvelText::kProgramVersion);
    ui_->sornName->setText("SORN.DLL");
    ui_->sornNeeds->setText("needs");
    ui_->sornVersion->setText(QString("Version: ") + CorvelText::kNeededSornVersion);
    ui_->velkName->setText("VELK.DLL");
    ui_->velkNeeds->setText("needs");
    ui_->velkVersion->setText(QString("Version: ") + CorvelText::kNeededVelkVersion);
    ui_->sornButton->setText("Get Version");
    ui_->velkButton->setText("Get Version");
    ui_->okButton->setText("OK");
    connect(ui_->sornButton, &QPushButton::clicked, this, [&app] {
        app.UserPrompts().ShowMessage(app.SornVersionReport(), Prompts::Icon::None);
    });
    connect(ui_->velkButton, &QPushButton::clicked, this, [&app] {
        app.UserPrompts().ShowMessage(app.VelkVersionReport(), Prompts::Icon::None);
    });
    connect(ui_->okButton, &QPushButton::clicked, this, &QDialog::accept);
}

CAboutDlg::~CAboutDlg() = default;
