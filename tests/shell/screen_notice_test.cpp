// The notification that hands a screen reader an answer asked for again, watched where
// Qt's accessibility bridge would take it (the offscreen platform has no bridge, and Qt
// drops the events without one). What a screen reader makes of it is the Orca
// end-to-end test's.
#include "shell/screenannouncer.h"
#include "shell/screennotice.h"

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <algorithm>
#include <gtest/gtest.h>
#include <iterator>
#include <vector>

namespace tov::shell {
namespace {

// What the bridge would have been told of the notification.
struct Told {
    QAccessible::Event type;
    QAccessible::Role role;
    QString name;
    QAccessible::Role parentRole;
};

Told told(QAccessibleEvent& event)
{
    QAccessibleInterface* iface = event.accessibleInterface();
    QAccessibleInterface* parent = iface ? iface->parent() : nullptr;
    return {event.type(), iface ? iface->role() : QAccessible::NoRole,
            iface ? iface->text(QAccessible::Name) : QString(),
            parent ? parent->role() : QAccessible::NoRole};
}

class ScreenNoticeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The input dialog as the player has it: a line with the focus.
        auto* layout = new QVBoxLayout(&dialog);
        line = new QLineEdit(&dialog);
        layout->addWidget(line);
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        line->setFocus();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        ASSERT_TRUE(QTest::qWaitFor([this] { return QApplication::focusWidget() == line; }, 5000));
    }
    std::vector<Told> shows() const
    {
        std::vector<Told> shown;
        std::copy_if(events.begin(), events.end(), std::back_inserter(shown),
                     [](const Told& t) { return t.type == QAccessible::ObjectShow; });
        return shown;
    }
    // Lets the notification show and go, then a while longer, so that a second showing
    // of one post would be seen.
    void settle()
    {
        QTest::qWait(ScreenNotice::kAfterKeyEchoMs * 3);
        ASSERT_TRUE(QTest::qWaitFor([this] { return !notice.window().isVisible(); }, 5000));
    }

    std::vector<Told> events;
    ScreenNotice notice{[this](QAccessibleEvent& event) { events.push_back(told(event)); }};
    QWidget dialog;
    QLineEdit* line = nullptr;
};

// One post: one showing of a notification named with the answer, a window of its own
// (inside the dialog a screen reader would speak the dialog first); the focus stays in
// the line and the player's typing goes on there.
TEST_F(ScreenNoticeTest, AnAnswerShowsOnceAsANotificationAndTheFocusStays)
{
    notice.post("vzal jsi dopis");
    ASSERT_TRUE(QTest::qWaitFor([this] { return shows().size() == 1; }, 5000));
    settle();

    const std::vector<Told> shown = shows();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].role, QAccessible::Notification);
    EXPECT_EQ(shown[0].name, "vzal jsi dopis");
    EXPECT_EQ(shown[0].parentRole, QAccessible::Application);
    EXPECT_EQ(QApplication::focusWidget(), line);
    EXPECT_EQ(QApplication::activeWindow(), &dialog);
    QTest::keyClicks(line, "sever");
    EXPECT_EQ(line->text(), "sever");
}

// The same answer asked for twice is shown twice; nothing is shown for an empty text.
TEST_F(ScreenNoticeTest, EachPostShowsAgainAndAnEmptyOneShowsNothing)
{
    notice.post("vzal jsi dopis");
    ASSERT_TRUE(QTest::qWaitFor([this] { return shows().size() == 1; }, 5000));
    settle();
    notice.post("vzal jsi dopis");
    ASSERT_TRUE(QTest::qWaitFor([this] { return shows().size() == 2; }, 5000));
    settle();
    notice.post("");
    settle();

    const std::vector<Told> shown = shows();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].name, "vzal jsi dopis");
    EXPECT_EQ(shown[1].role, QAccessible::Notification);
}

// Two keys in a row: the first answer would be cut off by the second key's echo, so only
// the second is shown.
TEST_F(ScreenNoticeTest, AnAnswerPostedBeforeTheLastShowedReplacesIt)
{
    notice.post("vzal jsi dopis");
    notice.post("stojíš na malé mýtině");
    ASSERT_TRUE(QTest::qWaitFor([this] { return shows().size() == 1; }, 5000));
    settle();

    const std::vector<Told> shown = shows();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].name, "stojíš na malé mýtině");
}

// Through the announcer: the answer's Windows-1250 bytes arrive as the notification's
// text, and the dialog's description, which carries the lines at its next showing, is
// left alone.
TEST_F(ScreenNoticeTest, TheAnnouncerHandsTheAnswerAsANotification)
{
    runtime::AnswerRecord answers;
    std::vector<Told> handed;
    ScreenAnnouncer announcer(
        [] { return false; }, dialog, answers,
        [&handed](QAccessibleEvent& event) { handed.push_back(told(event)); });
    dialog.setAccessibleDescription("vidíš dopis");
    announcer.hand("vzal jsi dopis\nsta\xe8\xed");
    ASSERT_TRUE(QTest::qWaitFor([&handed] { return handed.size() == 1; }, 5000));
    EXPECT_EQ(handed[0].type, QAccessible::ObjectShow);
    EXPECT_EQ(handed[0].role, QAccessible::Notification);
    EXPECT_EQ(handed[0].name, "vzal jsi dopis\nstačí");
    EXPECT_EQ(dialog.accessibleDescription(), "vidíš dopis");
    EXPECT_EQ(QApplication::focusWidget(), line);
}

} // namespace
} // namespace tov::shell
