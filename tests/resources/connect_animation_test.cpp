#include "resources/connect_animation.h"

#include "base/error.h"
#include "resources/resource_names.h"
#include "tests/support/event_wait.h"

#include <QImage>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

const QString kClip = QString::fromLatin1(kConnectClipResource);

QImage Frame(int number) {
    return QImage(QStringLiteral("%1/%2").arg(kClip).arg(number, 2, 10, QLatin1Char('0')))
        .convertToFormat(QImage::Format_ARGB32);
}

// True when the widget shows `frame`: every opaque pixel of the frame appears
// unchanged in the widget's rendering.
bool Shows(TConnectAnimation& animation, const QImage& frame) {
    const QImage shown = animation.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    if (shown.size() != frame.size())
        return false;
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x)
            if (qAlpha(frame.pixel(x, y)) == 255 && shown.pixel(x, y) != frame.pixel(x, y))
                return false;
    return true;
}

} // namespace

TEST(ConnectAnimation, NewClipShowsTheStopFrameWithoutPlaying) {
    TConnectAnimation animation;
    EXPECT_EQ(animation.size(), QSize(48, 48));
    EXPECT_EQ(animation.CurrentFrame(), 0);
    animation.SetClip(kClip);
    EXPECT_EQ(animation.FrameCount(), kConnectClipFrames);
    EXPECT_EQ(animation.CurrentFrame(), kConnectClipStopFrame);
    EXPECT_FALSE(animation.IsPlaying());
    EXPECT_TRUE(Shows(animation, Frame(kConnectClipStopFrame)));
    EXPECT_FALSE(Shows(animation, Frame(1)));
}

TEST(ConnectAnimation, PlayingAdvancesThroughEveryFrameAndLoops) {
    TConnectAnimation animation;
    animation.SetClip(kClip);
    animation.Play();
    EXPECT_TRUE(animation.IsPlaying());
    EXPECT_EQ(animation.CurrentFrame(), 1);

    QList<int> seen{animation.CurrentFrame()};
    const bool looped = testsupport::WaitUntil([&] {
        if (animation.CurrentFrame() != seen.last())
            seen.append(animation.CurrentFrame());
        return seen.size() > kConnectClipFrames + 1;
    });
    ASSERT_TRUE(looped);
    // Each step goes to the next frame, from the last back to the first.
    for (int i = 1; i < seen.size(); ++i)
        EXPECT_EQ(seen[i], seen[i - 1] % kConnectClipFrames + 1) << i;
    EXPECT_TRUE(Shows(animation, Frame(animation.CurrentFrame())));
}

TEST(ConnectAnimation, StopShowsTheStopFrameAndHoldsIt) {
    TConnectAnimation animation;
    animation.SetClip(kClip);
    animation.Play();
    ASSERT_TRUE(testsupport::WaitUntil([&] { return animation.CurrentFrame() == 3; }));
    animation.Stop();
    EXPECT_FALSE(animation.IsPlaying());
    EXPECT_EQ(animation.CurrentFrame(), kConnectClipStopFrame);
    // Several frame intervals later it still shows the stop frame.
    bool later = false;
    QTimer::singleShot(kConnectClipFrameInterval * 4, Qt::PreciseTimer, [&] { later = true; });
    ASSERT_TRUE(testsupport::WaitUntil(
        [&] { return later || animation.CurrentFrame() != kConnectClipStopFrame; }));
    EXPECT_EQ(animation.CurrentFrame(), kConnectClipStopFrame);
    EXPECT_TRUE(Shows(animation, Frame(kConnectClipStopFrame)));
}

TEST(ConnectAnimation, PlayAgainStartsFromTheFirstFrame) {
    TConnectAnimation animation;
    animation.SetClip(kClip);
    animation.Play();
    ASSERT_TRUE(testsupport::WaitUntil([&] { return animation.CurrentFrame() == 4; }));
    animation.Stop();
    animation.Play();
    EXPECT_EQ(animation.CurrentFrame(), 1);
}

TEST(ConnectAnimation, MissingClipThrowsAndKeepsTheCurrentClip) {
    TConnectAnimation animation;
    animation.SetClip(kClip);
    EXPECT_THROW(animation.SetClip(QStringLiteral(":/NO_SUCH_CLIP")), EQuorvikError);
    EXPECT_EQ(animation.FrameCount(), kConnectClipFrames);
    animation.Play();
    EXPECT_TRUE(animation.IsPlaying());
}

TEST(ConnectAnimation, WithoutClipPlayDoesNothing) {
    TConnectAnimation animation;
    animation.Play();
    EXPECT_FALSE(animation.IsPlaying());
    EXPECT_EQ(animation.CurrentFrame(), 0);
}
