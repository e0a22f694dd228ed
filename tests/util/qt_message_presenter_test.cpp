#include "util/qt_message_presenter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

struct SeenBox {
    QString Title;
    QString Text;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons Buttons;
    QMessageBox::StandardButton Default = QMessageBox::NoButton;
    bool StaysOnTop = false;
    Qt::WindowModality Modality = Qt::NonModal;
};

// Shows `request` with the real QMessageBox, notes what the box looks like
// and presses `press` as soon as the box is up, so the test never waits on
// a user.
TMsgButton ShowAndPress(const TMessageBoxRequest& request, QMessageBox::StandardButton press,
                        SeenBox& seen) {
    constexpr int kPollMs = 10;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        poll.stop();
        seen = {box->windowTitle(),
                box->text(),
                box->icon(),
                box->standardButtons(),
                box->standardButton(box->defaultButton()),
                box->windowFlags().testFlag(Qt::WindowStaysOnTopHint),
                box->windowModality()};
        box->button(press)->click();
    });
    poll.start(kPollMs);
    return TQtMessagePresenter().Show(request);
}

TEST(QtMessagePresenter, ShowsTheRequestedBoxAndReturnsThePressedButton) {
    SeenBox seen;
    const TMsgButton answer = ShowAndPress(
        {"Vendrix Quorvik", "Text  [1]", TMsgIcon::Error, TMsgButtons::YesNo, TMsgButton::No, true},
        QMessageBox::Yes, seen);
    EXPECT_EQ(answer, TMsgButton::Yes);
    EXPECT_EQ(seen.Title, "Vendrix Quorvik");
    EXPECT_EQ(seen.Text, "Text  [1]");
    EXPECT_EQ(seen.Icon, QMessageBox::Critical);
    EXPECT_EQ(seen.Buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(seen.Default, QMessageBox::No);
    EXPECT_TRUE(seen.StaysOnTop);
    EXPECT_EQ(seen.Modality, Qt::ApplicationModal);
}

TEST(QtMessagePresenter, WarningWithOk) {
    SeenBox seen;
    const TMsgButton answer =
        ShowAndPress({"T", "x", TMsgIcon::Warning, TMsgButtons::Ok, TMsgButton::None, false},
                     QMessageBox::Ok, seen);
    EXPECT_EQ(answer, TMsgButton::Ok);
    EXPECT_EQ(seen.Icon, QMessageBox::Warning);
    EXPECT_EQ(seen.Buttons, QMessageBox::Ok);
    EXPECT_FALSE(seen.StaysOnTop);
}

} // namespace
