// Command routing without widgets: order, update rules, and disabled commands never running.
#include <gtest/gtest.h>

#include "commands/CommandRouter.h"

namespace quillory {
namespace {

constexpr int kCommand = 32771;

struct RouterFixture : ::testing::Test {
    CommandRouter router;
    CommandTarget view, document, frame, application;
    std::vector<std::string> calls;

    void SetUp() override
    {
        router.attach(RouteLevel::View, &view);
        router.attach(RouteLevel::Document, &document);
        router.attach(RouteLevel::Frame, &frame);
        router.attach(RouteLevel::Application, &application);
    }
    CommandTarget::Handler record(const std::string& name)
    {
        return [this, name] { calls.push_back(name); };
    }
};

TEST_F(RouterFixture, CommandNobodyHandlesIsDisabledAndDoesNotRun)
{
    EXPECT_FALSE(router.hasHandler(kCommand));
    EXPECT_EQ(router.state(kCommand), (CommandState{false, std::nullopt}));
    EXPECT_FALSE(router.execute(kCommand));
}

TEST_F(RouterFixture, RegisteringAHandlerEnablesTheCommand)
{
    application.onCommand(kCommand, record("app"));
    EXPECT_TRUE(router.state(kCommand).enabled);
    EXPECT_TRUE(router.execute(kCommand));
    EXPECT_EQ(calls, std::vector<std::string>{"app"});
    application.removeCommand(kCommand);
    EXPECT_FALSE(router.state(kCommand).enabled);
}

TEST_F(RouterFixture, ViewComesBeforeDocumentFrameAndApplication)
{
    application.onCommand(kCommand, record("app"));
    frame.onCommand(kCommand, record("frame"));
    document.onCommand(kCommand, record("doc"));
    router.execute(kCommand);
    view.onCommand(kCommand, record("view"));
    router.execute(kCommand);
    EXPECT_EQ(calls, (std::vector<std::string>{"doc", "view"}));
}

TEST_F(RouterFixture, FirstUpdateRuleDecidesEvenWhenAnotherTargetHandles)
{
    // As with "Hex editing storage": the view answers the update, the document runs the command.
    bool binary = false;
    document.onCommand(kCommand, record("doc"));
    view.onUpdate(kCommand, [&](CommandUpdate& ui) { ui.enable(binary); });
    application.onUpdate(kCommand, [](CommandUpdate& ui) { ui.enable(true); });
    EXPECT_FALSE(router.state(kCommand).enabled);
    EXPECT_FALSE(router.execute(kCommand));
    EXPECT_TRUE(calls.empty());
    binary = true;
    EXPECT_TRUE(router.execute(kCommand));
    EXPECT_EQ(calls, std::vector<std::string>{"doc"});
}

TEST_F(RouterFixture, UpdateRuleThatOnlyChecksLeavesEnablingToTheHandlers)
{
    frame.onUpdate(kCommand, [](CommandUpdate& ui) { ui.setCheck(true); });
    EXPECT_EQ(router.state(kCommand), (CommandState{false, true}));
    view.onCommand(kCommand, record("view"));
    EXPECT_EQ(router.state(kCommand), (CommandState{true, true}));
    // An update rule that does nothing at all keeps a handled command enabled (Delete's rule).
    view.onUpdate(kCommand, [](CommandUpdate&) {});
    EXPECT_EQ(router.state(kCommand), (CommandState{true, std::nullopt}));
}

TEST_F(RouterFixture, HandlerMayRemoveItselfWhileRunning)
{
    view.onCommand(kCommand, [&] {
        view.clear();
        calls.push_back("ran");
    });
    EXPECT_TRUE(router.execute(kCommand));
    EXPECT_EQ(calls, std::vector<std::string>{"ran"});
    EXPECT_FALSE(router.execute(kCommand));
}

TEST_F(RouterFixture, DetachedTargetIsNoLongerAsked)
{
    view.onCommand(kCommand, record("view"));
    router.detach(&view);
    EXPECT_TRUE(router.targets(RouteLevel::View).empty());
    EXPECT_FALSE(router.execute(kCommand));
    router.attach(RouteLevel::View, &view);
    EXPECT_TRUE(router.execute(kCommand));
}

TEST_F(RouterFixture, SeveralTargetsShareALevelTheLastAttachedAskedFirst)
{
    // A feature's controller beside the view: each answers for its own commands.
    CommandTarget downloads;
    router.attach(RouteLevel::View, &downloads);
    downloads.onCommand(kCommand, record("downloads"));
    view.onCommand(kCommand + 1, record("view"));
    document.onCommand(kCommand, record("document"));
    EXPECT_TRUE(router.execute(kCommand));
    EXPECT_TRUE(router.execute(kCommand + 1));
    EXPECT_EQ(calls, (std::vector<std::string>{"downloads", "view"}));

    // Within the level the one attached last is asked first, for its update rule as for its
    // handler; attaching again moves a target, and it is never asked twice.
    view.onCommand(kCommand, record("view"));
    view.onUpdate(kCommand, [](CommandUpdate& ui) { ui.enable(true); });
    downloads.onUpdate(kCommand, [](CommandUpdate& ui) { ui.enable(false); });
    EXPECT_FALSE(router.execute(kCommand));
    router.attach(RouteLevel::View, &view);
    EXPECT_EQ(router.targets(RouteLevel::View), (std::vector<CommandTarget*>{&view, &downloads}));
    EXPECT_TRUE(router.execute(kCommand));
    EXPECT_EQ(calls.back(), "view");
    router.detach(&view);
    EXPECT_FALSE(router.execute(kCommand));
    EXPECT_EQ(router.targets(RouteLevel::View), std::vector<CommandTarget*>{&downloads});
}

TEST_F(RouterFixture, EmptyHandlerCountsAsNoHandler)
{
    view.onCommand(kCommand, nullptr);
    EXPECT_FALSE(router.hasHandler(kCommand));
    EXPECT_FALSE(router.execute(kCommand));
}

}  // namespace
}  // namespace quillory
