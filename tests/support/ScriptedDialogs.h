#pragma once

#include "platform/UserDialogs.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// The user, scripted: answers every dialog from queues the test fills and
// records every question, so widget tests run without a display. The newest
// live instance also receives the errors the test application's general
// handler catches (as messages, like the real program's message box).
class TScriptedDialogs : public TUserDialogs
{
public:
    TScriptedDialogs();
    ~TScriptedDialogs() override;
    TScriptedDialogs(const TScriptedDialogs&) = delete;
    TScriptedDialogs& operator=(const TScriptedDialogs&) = delete;

    // What the user does in the next modal dialog, while it is shown; a dialog
    // still open afterwards is closed by its close box. With no action left
    // the dialog is closed at once.
    std::deque<std::function<void(QDialog&)>> modalActions;
    // The next input boxes' answers; nothing is a cancelled box. With no
    // answer left the box is cancelled.
    std::deque<std::optional<QString>> inputAnswers;
    // The next file dialogs' choices; nothing is a cancelled dialog.
    std::deque<std::optional<QString>> fileAnswers;

    struct TInputCall
    {
        QString caption;
        QString prompt;
        QString defaultAnswer;
    };
    std::vector<QString> modalShown; // object names of the dialogs shown
    std::vector<TInputCall> inputCalls;
    std::vector<QString> messages;
    std::vector<TOpenDialogRequest> fileRequests;
    std::vector<QString> shellOpened;
    std::vector<int> helpShown;
    QString helpFile;

    int ShowModal(QDialog& dialog) override;
    QString InputBox(
        const QString& caption, const QString& prompt, const QString& defaultAnswer) override;
    void ShowMessage(const QString& text) override;
    std::optional<QString> OpenFile(const TOpenDialogRequest& request) override;
    void ShellOpen(const QString& target) override;
    void SetHelpFile(const QString& path) override;
    void ShowHelp(int context) override;

    // Hands an error caught by the general handler to the newest live
    // instance's messages (to standard error when there is none).
    static void reportError(const std::string& message);

private:
    TScriptedDialogs* m_previous;
};
