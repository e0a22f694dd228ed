#include "resources/connect_animation.h"

#include "base/error.h"
#include "resources/resource_names.h"

#include <QFile>
#include <QPainter>

#include <algorithm>

namespace {

constexpr int kClipSide = 48;

QString FramePath(const QString& clip, int frame) {
    return QStringLiteral("%1/%2").arg(clip).arg(frame, 2, 10, QLatin1Char('0'));
}

} // namespace

TConnectAnimation::TConnectAnimation(QWidget* parent) : QWidget(parent) {
    setFixedSize(kClipSide, kClipSide);
    FTimer.setInterval(kConnectClipFrameInterval);
    connect(&FTimer, &QTimer::timeout, this, &TConnectAnimation::NextFrame);
}

void TConnectAnimation::SetClip(const QString& resourceName) {
    QList<QPixmap> frames;
    for (int frame = 1;; ++frame) {
        const QString path = FramePath(resourceName, frame);
        if (!QFile::exists(path))
            break;
        QPixmap pixmap(path);
        if (pixmap.isNull())
            throw EQuorvikError("Bild " + path.toStdString() + " ist kein lesbares Bild.");
        frames.append(pixmap);
    }
    if (frames.isEmpty())
        throw EQuorvikError("Animation " + resourceName.toStdString() + " nicht gefunden.");
    FTimer.stop();
    FFrames = std::move(frames);
    ShowFrame(StopFrame());
}

void TConnectAnimation::Play() {
    if (FFrames.isEmpty() || IsPlaying())
        return;
    ShowFrame(1);
    FTimer.start();
}

void TConnectAnimation::Stop() {
    FTimer.stop();
    ShowFrame(StopFrame());
}

int TConnectAnimation::StopFrame() const {
    return std::min(kConnectClipStopFrame, FrameCount());
}

QSize TConnectAnimation::sizeHint() const {
    return QSize(kClipSide, kClipSide);
}

void TConnectAnimation::paintEvent(QPaintEvent*) {
    if (FCurrent == 0)
        return;
    const QPixmap& pixmap = FFrames[FCurrent - 1];
    QPainter painter(this);
    const QSize logical = pixmap.deviceIndependentSize().toSize();
    painter.drawPixmap((width() - logical.width()) / 2, (height() - logical.height()) / 2, pixmap);
}

void TConnectAnimation::ShowFrame(int frame) {
    FCurrent = frame;
    update();
}

void TConnectAnimation::NextFrame() {
    ShowFrame(FCurrent % FrameCount() + 1);
}
