#pragma once
// "About Corvel": the program's version and the library versions it needs, each library
// with a "Get Version" button that reports the version found.

#include <QDialog>
#include <memory>

namespace Ui {
class CAboutDlg;
}
class CorvelApp;

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    CAboutDlg(CorvelApp& app, QWidget* parent = nullptr);
    ~CAboutDlg() override;

private:
    std::unique_ptr<Ui::CAboutDlg> ui_;
};
