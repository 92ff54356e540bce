#pragma once

#include "platform/UserDialogs.h"

#include <memory>

class THelpViewer;

// The dialogs the user sees: Qt's modal loop, input box, message box and
// file dialog; the desktop's default application for the shell's "open";
// the built-in help viewer for help files and context help. Create it after
// the application object and destroy it before.
class TQtUserDialogs : public TUserDialogs
{
public:
    TQtUserDialogs();
    ~TQtUserDialogs() override;

    int ShowModal(QDialog& dialog) override;
    QString InputBox(
        const QString& caption, const QString& prompt, const QString& defaultAnswer) override;
    void ShowMessage(const QString& text) override;
    bool Confirm(const QString& text) override;
    std::optional<QString> OpenFile(const TOpenDialogRequest& request) override;
    // Help files (".hlp") open at their contents in the built-in viewer;
    // anything else goes to the desktop (a URL to the browser, a file to the
    // application registered for its type).
    void ShellOpen(const QString& target) override;
    void SetHelpFile(const QString& path) override;
    void ShowHelp(int context) override;

private:
    THelpViewer& viewer();

    QString m_helpFile;
    std::unique_ptr<THelpViewer> m_viewer;
};
