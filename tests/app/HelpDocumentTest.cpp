#include "WindowFixture.h"

#include "platform/ContextHelp.h"
#include "platform/HelpFile.h"
#include "platform/TextFile.h"

#include <QAction>
#include <QDialog>
#include <QRegularExpression>

#include <set>

namespace {

// The help contexts carried by `root` and its controls.
std::set<int> contextsOf(const QWidget& root)
{
    std::set<int> contexts { HelpContextOf(&root) };
    for (const QWidget* child : root.findChildren<QWidget*>())
        contexts.insert(HelpContextOf(child));
    contexts.erase(0);
    return contexts;
}

TEST_F(WindowTest, TheHelpFileHasATopicForEveryHelpContextAndEveryLink)
{
    writeSettings();
    TfrmSkelvo& main = start();
    std::set<int> contexts = contextsOf(main);
    dialogs.modalActions.push_back(
        [&contexts](QDialog& options) { contexts.merge(contextsOf(options)); });
    choose(control<QAction>("mnuFileOptions"));
    EXPECT_GT(contexts.size(), 20u); // the window's panels and the options dialog's controls

    const std::string document = ReadWholeFile(SKELVO_HELP_FILE);
    for (const int context : contexts)
        EXPECT_FALSE(HelpTopic(document, std::to_string(context)).empty()) << context;
    EXPECT_FALSE(HelpTopic(document, ContentsTopic).empty());

    const QRegularExpression link(QStringLiteral("href=\"#([^\"]+)\""));
    int links = 0;
    for (const auto& match : link.globalMatch(QString::fromStdString(document))) {
        ++links;
        EXPECT_FALSE(HelpTopic(document, match.captured(1).toStdString()).empty())
            << "broken link to " << match.captured(1).toStdString();
    }
    EXPECT_GT(links, 30);
}

} // namespace
