#include "app/action_button.h"

#include <QAction>
#include <QSignalSpy>
#include <QWidget>
#include <gtest/gtest.h>

TEST(ActionButtonTest, FollowsTheBoundActionOnlyAndClicksIt) {
    QWidget window;
    TActionButton button(&window);
    QAction first(QStringLiteral("&Weiter >"));
    QAction second(QStringLiteral("Abbrechen"));
    window.show();

    button.SetAction(&first);
    EXPECT_EQ(button.text(), QStringLiteral("&Weiter >"));
    first.setVisible(false);
    EXPECT_FALSE(button.isVisible());
    first.setVisible(true);
    first.setEnabled(false);
    EXPECT_FALSE(button.isEnabled());

    button.SetAction(&second);
    EXPECT_EQ(button.text(), QStringLiteral("Abbrechen"));
    EXPECT_TRUE(button.isEnabled());
    // The action bound before has no say any more.
    first.setText(QStringLiteral("alt"));
    first.setVisible(false);
    EXPECT_EQ(button.text(), QStringLiteral("Abbrechen"));
    EXPECT_TRUE(button.isVisible());

    QSignalSpy firstTriggered(&first, &QAction::triggered);
    QSignalSpy secondTriggered(&second, &QAction::triggered);
    button.click();
    EXPECT_EQ(firstTriggered.size(), 0);
    EXPECT_EQ(secondTriggered.size(), 1);
}
