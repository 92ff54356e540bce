#pragma once

#include "platform/UserDialogs.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// The user, scripted: answers dialogs from queues the test fills and records
// what was shown. The newest live instance also receives, as messages, the
// errors the test application's general handler catches.
class TScriptedDialogs : public TUserDialogs
{
public:
    TScriptedDialogs();
    ~TScriptedDialogs() override;
    TScriptedDialogs(const TScriptedDialogs&) = delete;
    TScriptedDialogs& operator=(const TScriptedDialogs&) = delete;

    // What the user does in the next modal dialog; one still open afterwards
    // is closed by its close box.
    std::deque<std::function<void(QDialog&)>> modalActions;
    // Answers of the next input boxes and file dialogs; nothing (or none
    // left) is a cancelled one.
    std::deque<std::optional<QString>> inputAnswers;
    std::deque<std::optional<QString>> fileAnswers;
    // Answers of the next Yes/No questions; none left is No.
    std::deque<bool> confirmAnswers;

    std::vector<QString> messages;
    std::vector<QString> questions;
    std::vector<QString> shellOpened;
    std::vector<int> helpShown;

    int ShowModal(QDialog& dialog) override;
    QString InputBox(
        const QString& caption, const QString& prompt, const QString& defaultAnswer) override;
    void ShowMessage(const QString& text) override { messages.push_back(text); }
    bool Confirm(const QString& text) override;
    std::optional<QString> OpenFile(const TOpenDialogRequest& request) override;
    void ShellOpen(const QString& target) override { shellOpened.push_back(target); }
    void SetHelpFile(const QString&) override { }
    void ShowHelp(int context) override { helpShown.push_back(context); }

    // Hands an error caught by the general handler to the newest live
    // instance (to standard error when there is none).
    static void reportError(const std::string& message);

private:
    TScriptedDialogs* m_previous;
};
