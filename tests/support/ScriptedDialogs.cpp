#include "tests/support/ScriptedDialogs.h"

#include <QDialog>

#include <cstdio>

namespace {

TScriptedDialogs* g_newest = nullptr;

template <class T> T takeFront(std::deque<T>& queue, T otherwise)
{
    if (queue.empty())
        return otherwise;
    T front = std::move(queue.front());
    queue.pop_front();
    return front;
}

} // namespace

TScriptedDialogs::TScriptedDialogs()
    : m_previous(g_newest)
{
    g_newest = this;
}

TScriptedDialogs::~TScriptedDialogs()
{
    g_newest = m_previous;
}

int TScriptedDialogs::ShowModal(QDialog& dialog)
{
    modalShown.push_back(dialog.objectName());
    dialog.setResult(QDialog::Rejected);
    dialog.show();
    if (auto action = takeFront(modalActions, std::function<void(QDialog&)>()))
        action(dialog);
    if (dialog.isVisible())
        dialog.reject();
    return dialog.result();
}

QString TScriptedDialogs::InputBox(
    const QString& caption, const QString& prompt, const QString& defaultAnswer)
{
    inputCalls.push_back({ caption, prompt, defaultAnswer });
    return takeFront(inputAnswers, std::optional<QString>()).value_or(defaultAnswer);
}

void TScriptedDialogs::ShowMessage(const QString& text)
{
    messages.push_back(text);
}

std::optional<QString> TScriptedDialogs::OpenFile(const TOpenDialogRequest& request)
{
    fileRequests.push_back(request);
    return takeFront(fileAnswers, std::optional<QString>());
}

void TScriptedDialogs::ShellOpen(const QString& target)
{
    shellOpened.push_back(target);
}

void TScriptedDialogs::SetHelpFile(const QString& path)
{
    helpFile = path;
}

void TScriptedDialogs::ShowHelp(int context)
{
    helpShown.push_back(context);
}

void TScriptedDialogs::reportError(const std::string& message)
{
    if (g_newest)
        g_newest->ShowMessage(QString::fromStdString(message));
    else
        std::fprintf(stderr, "unhandled error: %s\n", message.c_str());
}
