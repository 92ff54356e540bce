#include "WindowFixture.h"

#include "platform/ContextHelp.h"
#include "platform/HelpContexts.h"
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
    // The forms use every named help context, and only those.
    const std::set<int> named(std::begin(HelpContexts::All), std::end(HelpContexts::All));
    EXPECT_EQ(contexts, named);
    EXPECT_EQ(named.size(), std::size(HelpContexts::All)); // no number named twice

    const std::string document = ReadWholeFile(SKELVO_HELP_FILE);
    for (const int context : named)
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
