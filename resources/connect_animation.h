#pragma once

#include <QList>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

// A 48 x 48 animation control for the connect clip: the clip's frames are
// loaded from the resources and shown one after another by a timer while the
// animation plays; a stopped animation shows the stop frame.
class TConnectAnimation : public QWidget {
    Q_OBJECT

public:
    explicit TConnectAnimation(QWidget* parent = nullptr);

    // Loads the frames "<resourceName>/01", "/02", ... as the clip and shows the
    // stop frame; does not start playing. Throws EQuorvikError when the clip
    // has no frame; the previous clip is then kept.
    void SetClip(const QString& resourceName);

    // Starts playing from frame 1, looping; no effect while playing or without a clip.
    void Play();
    // Stops and shows the stop frame.
    void Stop();
    bool IsPlaying() const { return FTimer.isActive(); }

    int FrameCount() const { return int(FFrames.size()); }
    // The frame shown now, from 1; 0 without a clip.
    int CurrentFrame() const { return FCurrent; }
    // The frame shown while stopped: the clip's stop frame, or its last frame
    // when the clip is shorter.
    int StopFrame() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void ShowFrame(int frame);
    void NextFrame();

    QList<QPixmap> FFrames;
    QTimer FTimer;
    int FCurrent = 0;
};
