#include "util/zarvo_about_dlg.h"

#include "base/error.h"
#include "resources/hand_cursor.h"
#include "resources/resource_bitmap.h"
#include "resources/resource_names.h"
#include "util/app_title.h"
#include "util/maker.h"
#include "util/zarvo_honk.h"

#include <QCloseEvent>
#include <QCursor>
#include <QDesktopServices>
#include <QDialog>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QShortcut>
#include <algorithm>

namespace {

// The fixed texts of one language. %1 is the product in the caption, the
// kilobytes in the memory line and the last year in the rights line.
struct TAboutTexts {
    const char* Caption;
    const char* Legal1;
    const char* Legal2;
    const char* Rights;
    const char* Licensee;
    const char* Memory;
    // Shown as it is and opened as a web address.
    const char* WebLink;
};

constexpr TAboutTexts kTextsDE{
    "Über %1",
    "Dieses Programm ist urheberrechtlich geschützt.",
    "Weitergabe und Verkauf nur mit Zustimmung von Vendrix.",
    "© 1998-%1 Vendrix. Alle Rechte vorbehalten.",
    "Lizenznehmer:",
    "Verfügbarer realer Speicher:  %1 KB",
    "www.vendrix.example/de",
};
constexpr TAboutTexts kTextsUS{
    "About %1",
    "This program is protected by copyright law.",
    "Do not pass it on or sell it without the consent of Vendrix.",
    "© 1998-%1 Vendrix. All rights reserved.",
    "This product is licensed to:",
    "Physical memory available:  %1 KB",
    "www.vendrix.example/en",
};

// The same in every language.
constexpr char kMakerName[] = "Vendrix";
constexpr char kSignature[] = "Software mit Sorgfalt";
constexpr char kMailScheme[] = "mailto:";
constexpr char kSeparator[] = " \u2022 ";
constexpr char kOkCaption[] = "OK";
constexpr char kUnknownMemory[] = "?";
// The rights line never ends before the year this box was written.
constexpr int kFirstRightsYear = 2001;

// Faces; pixel sizes are those of the point sizes at 96 dpi, the layout's
// resolution.
constexpr char kDefaultFace[] = "MS Sans Serif";
constexpr char kHeadingFace[] = "Arial";
constexpr int kDefaultPixelSize = 11;
constexpr int kMakerNamePixelSize = 13;
constexpr int kTitlePixelSize = 32;
constexpr int kSignaturePixelSize = 9;

const QColor kLinkColour(0x00, 0x00, 0x80);
const QColor kHotLinkColour(0x00, 0x00, 0xFF);

// Geometry in client pixels.
constexpr QSize kClientSize(442, 305);
constexpr QRect kBandRect(0, 0, 442, 79);
constexpr QRect kIconFrameRect(8, 22, 49, 49);
constexpr QRect kAppIconRect(16, 30, 32, 32);
constexpr QPoint kMakerNamePos(64, 24);
constexpr QRect kTitleRect(64, 34, 377, 37);
constexpr QRect kLogoRect(306, 3, 136, 22);
constexpr QRect kSignatureRect(306, 25, 135, 12);
// The signature ends under the logo's lettering, not at the window's edge.
constexpr int kSignatureRightIndent = 16;
constexpr QRect kLineRect(0, 79, 442, 6);
constexpr QRect kContentRect(72, 88, 361, 153);
constexpr QRect kLinkRowRect(72, 168, 265, 13);
constexpr QRect kTopLineRect(72, 246, 361, 2);
constexpr QRect kMemoryRect(72, 256, 360, 15);
constexpr QRect kOkRect(359, 272, 75, 25);
// Tops of the lines in the content area, each as wide as the area.
constexpr int kContentLineHeight = 15;
constexpr int kVersionTop = 3;
constexpr int kLegal1Top = 24;
constexpr int kLegal2Top = 40;
constexpr int kRightsTop = 56;
constexpr int kLicenseeTop = 104;
constexpr int kUserTop = 120;
constexpr int kUserCompanyTop = 136;

QString Utf8(const char* text) {
    return QString::fromUtf8(text);
}

QLabel* NewLabel(const char* name, QWidget* parent, const QRect& geometry) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(geometry);
    return label;
}

void SetFace(QWidget* widget, const QString& face, int pixelSize, bool bold = false) {
    QFont font = widget->font();
    font.setFamily(face);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    widget->setFont(font);
}

// An embedded picture; a missing one is a broken build, so it fails the box.
QPixmap LoadPicture(const QString& resource) {
    QPixmap picture(resource);
    if (picture.isNull())
        throw EQuorvikError("Bild " + resource.toStdString() + " nicht gefunden.");
    return picture;
}

// A text that lights up blue and underlined under the mouse and reports a
// left click released over it.
class TLinkLabel : public QLabel {
public:
    TLinkLabel(const char* name, QWidget* parent) : QLabel(parent) {
        setObjectName(QLatin1String(name));
        SetHot(false);
    }

    std::function<void()> OnClick;

protected:
    void enterEvent(QEnterEvent* event) override {
        SetHot(true);
        QLabel::enterEvent(event);
    }
    void leaveEvent(QEvent* event) override {
        SetHot(false);
        QLabel::leaveEvent(event);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
            OnClick)
            OnClick();
        QLabel::mouseReleaseEvent(event);
    }

private:
    void SetHot(bool hot) {
        QPalette palette = this->palette();
        palette.setColor(QPalette::WindowText, hot ? kHotLinkColour : kLinkColour);
        setPalette(palette);
        QFont font = this->font();
        font.setUnderline(hot);
        setFont(font);
    }
};

// The about window. Its close button does nothing: it closes only through
// OK, Enter and Escape (accepted) and Ctrl+D (rejected).
class TFrmAbout : public QDialog {
public:
    explicit TFrmAbout(QWidget* parent)
        : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
        setObjectName(QStringLiteral("FrmAbout"));
        setFixedSize(kClientSize);
        SetFace(this, Utf8(kDefaultFace), kDefaultPixelSize);
        BuildBand();
        imgLine = NewLabel("imgLine", this, kLineRect);
        BuildContent();
        BuildLinks();
        bvlTop = new QFrame(this);
        bvlTop->setObjectName(QStringLiteral("bvlTop"));
        bvlTop->setFrameShape(QFrame::HLine);
        bvlTop->setFrameShadow(QFrame::Sunken);
        bvlTop->setGeometry(kTopLineRect);
        lblMemory = NewLabel("lblMemory", this, kMemoryRect);
        BtnOK = new QPushButton(Utf8(kOkCaption), this);
        BtnOK->setObjectName(QStringLiteral("BtnOK"));
        BtnOK->setGeometry(kOkRect);
        BtnOK->setDefault(true);
        connect(BtnOK, &QPushButton::clicked, this, &QDialog::accept);
        auto* closeShortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_D), this);
        connect(closeShortcut, &QShortcut::activated, this, &QDialog::reject);
    }

    // Pictures and the hand cursor; `appIcon` null shows the default icon.
    void LoadPictures(int screenColours, const QIcon& appIcon) {
        const QString suffix = ColourDepthSuffix(screenColours);
        imgLogo->setPixmap(LoadPicture(Utf8(kLogoResource) + suffix));
        imgLine->setPixmap(LoadPicture(Utf8(kBlueLineResource) + suffix));
        imgIconFrame->setPixmap(LoadPicture(Utf8(kIconFrameResource)));
        imgAppIcon->setPixmap(appIcon.isNull() ? LoadPicture(Utf8(kDefaultIconResource))
                                               : appIcon.pixmap(kAppIconRect.size()));
        const QCursor hand = LoadHandCursor();
        lblWeb->setCursor(hand);
        lblMail->setCursor(hand);
    }

    // The face of the content lines, links, memory line and OK button; the
    // headings keep their own.
    void SetContentFace(const QString& face) {
        for (QWidget* widget : std::initializer_list<QWidget*>{
                 lblVersion, lblLegal1, lblLegal2, lblRights, lblLicensee, lblUser, lblUserCompany,
                 lblWeb, lblMail, lblMemory, BtnOK})
            SetFace(widget, face, kDefaultPixelSize);
    }

    // Once the link texts and faces are set: web link at the left, mail link
    // at the right, the separator centred between them. Each link is as wide
    // as its text, so only the text reacts to the mouse. Where the faces at
    // hand are wider than the layout's, the row grows to the content's width
    // rather than letting the links overlap.
    void ArrangeLinks() {
        int needed = 0;
        for (QLabel* label : std::initializer_list<QLabel*>{lblWeb, lblSeparator, lblMail}) {
            label->adjustSize();
            label->resize(label->width(), kLinkRowRect.height());
            needed += label->width();
        }
        pnlLinks->resize(std::clamp(needed, kLinkRowRect.width(), kContentRect.width()),
                         kLinkRowRect.height());
        lblWeb->move(0, 0);
        lblMail->move(pnlLinks->width() - lblMail->width(), 0);
        const int gapLeft = lblWeb->x() + lblWeb->width();
        lblSeparator->move((gapLeft + lblMail->x() - lblSeparator->width()) / 2, 0);
    }

    QLabel* imgIconFrame = nullptr;
    QLabel* imgAppIcon = nullptr;
    QLabel* lblMaker = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* imgLogo = nullptr;
    QLabel* lblSignature = nullptr;
    QLabel* imgLine = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblLegal1 = nullptr;
    QLabel* lblLegal2 = nullptr;
    QLabel* lblRights = nullptr;
    QLabel* lblLicensee = nullptr;
    QLabel* lblUser = nullptr;
    QLabel* lblUserCompany = nullptr;
    QWidget* pnlLinks = nullptr;
    TLinkLabel* lblWeb = nullptr;
    QLabel* lblSeparator = nullptr;
    TLinkLabel* lblMail = nullptr;
    QFrame* bvlTop = nullptr;
    QLabel* lblMemory = nullptr;
    QPushButton* BtnOK = nullptr;

protected:
    // Escape means OK here, like the button that is both default and cancel.
    void keyPressEvent(QKeyEvent* event) override {
        if (event->matches(QKeySequence::Cancel))
            accept();
        else
            QDialog::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent* event) override { event->ignore(); }

private:
    void BuildBand() {
        auto* band = new QWidget(this);
        band->setObjectName(QStringLiteral("pnlBand"));
        band->setGeometry(kBandRect);
        band->setAutoFillBackground(true);
        QPalette palette = band->palette();
        palette.setColor(QPalette::Window, Qt::white);
        band->setPalette(palette);
        // Created in drawing order: the icon lies on its frame.
        imgIconFrame = NewLabel("imgIconFrame", band, kIconFrameRect);
        imgAppIcon = NewLabel("imgAppIcon", band, kAppIconRect);
        lblMaker = NewLabel("lblMaker", band, QRect(kMakerNamePos, QSize()));
        SetFace(lblMaker, Utf8(kDefaultFace), kMakerNamePixelSize);
        lblMaker->setText(Utf8(kMakerName));
        lblMaker->adjustSize();
        imgLogo = NewLabel("imgLogo", band, kLogoRect);
        imgLogo->setAlignment(Qt::AlignCenter);
        lblSignature = NewLabel("lblSignature", band, kSignatureRect);
        SetFace(lblSignature, Utf8(kHeadingFace), kSignaturePixelSize);
        lblSignature->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        lblSignature->setContentsMargins(0, 0, kSignatureRightIndent, 0);
        lblSignature->setText(Utf8(kSignature));
        lblTitle = NewLabel("lblTitle", band, kTitleRect);
        SetFace(lblTitle, Utf8(kHeadingFace), kTitlePixelSize, true);
    }

    void BuildContent() {
        auto* content = new QWidget(this);
        content->setObjectName(QStringLiteral("pnlContent"));
        content->setGeometry(kContentRect);
        const auto line = [content](const char* name, int top) {
            return NewLabel(name, content, QRect(0, top, kContentRect.width(), kContentLineHeight));
        };
        lblVersion = line("lblVersion", kVersionTop);
        lblLegal1 = line("lblLegal1", kLegal1Top);
        lblLegal2 = line("lblLegal2", kLegal2Top);
        lblRights = line("lblRights", kRightsTop);
        lblLicensee = line("lblLicensee", kLicenseeTop);
        lblUser = line("lblUser", kUserTop);
        lblUserCompany = line("lblUserCompany", kUserCompanyTop);
    }

    void BuildLinks() {
        pnlLinks = new QWidget(this);
        pnlLinks->setObjectName(QStringLiteral("pnlLinks"));
        pnlLinks->setGeometry(kLinkRowRect);
        lblWeb = new TLinkLabel("lblWeb", pnlLinks);
        lblMail = new TLinkLabel("lblMail", pnlLinks);
        lblSeparator = NewLabel("lblSeparator", pnlLinks, QRect());
        SetFace(lblSeparator, Utf8(kHeadingFace), kDefaultPixelSize, true);
        QPalette palette = lblSeparator->palette();
        palette.setColor(QPalette::WindowText, kLinkColour);
        lblSeparator->setPalette(palette);
        lblSeparator->setText(Utf8(kSeparator));
    }
};

} // namespace

TZarvoAboutDlg::TZarvoAboutDlg(TZarvoHonk& honk, QObject* parent) : QObject(parent), FHonk(honk) {}

TZarvoAboutDlg::~TZarvoAboutDlg() = default;

void TZarvoAboutDlg::SetUrlOpener(TUrlOpener opener) {
    FOpenUrl = std::move(opener);
}

bool TZarvoAboutDlg::Execute() {
    try {
        return Run();
    } catch (const std::exception& error) {
        qWarning("TZarvoAboutDlg: %s", error.what());
    } catch (...) {
        qWarning("TZarvoAboutDlg: the about box failed");
    }
    return false;
}

bool TZarvoAboutDlg::Run() {
    auto* window = new TFrmAbout(OwnerWindow());
    // The owner may go away during the modal loop and take the window with it.
    const QPointer<TFrmAbout> alive(window);
    const auto destroy = qScopeGuard([&alive] { delete alive.data(); });

    const TAboutTexts& texts = FLanguage == lngUS ? kTextsUS : kTextsDE;
    window->LoadPictures(FHonk.Hardware().ScreenColors(), ProductIcon());
    if (FProduct.isEmpty())
        FProduct = apptitle::Title();
    window->SetContentFace(FHonk.DialogFace());

    window->setWindowTitle(Utf8(texts.Caption).arg(FProduct));
    window->lblTitle->setText(FProduct);
    window->lblVersion->setText(FVersion);
    window->lblLegal1->setText(Utf8(texts.Legal1));
    window->lblLegal2->setText(Utf8(texts.Legal2));
    window->lblRights->setText(Utf8(texts.Rights).arg(RightsYear()));
    window->lblLicensee->setText(Utf8(texts.Licensee));
    window->lblUser->setText(FUser);
    window->lblUserCompany->setText(FUserCompany);
    const QString memory = FHonk.Hardware().Memory();
    window->lblMemory->setText(
        Utf8(texts.Memory).arg(memory.isEmpty() ? Utf8(kUnknownMemory) : memory));

    window->lblWeb->setText(Utf8(texts.WebLink));
    window->lblMail->setText(Utf8(kMakerMailAddress));
    window->ArrangeLinks();
    // The web link's text has no scheme; it is completed the way a browser's
    // address field would.
    window->lblWeb->OnClick = [this, window] {
        OpenLink(QUrl::fromUserInput(window->lblWeb->text()));
    };
    window->lblMail->OnClick = [this, window] {
        OpenLink(QUrl(Utf8(kMailScheme) + window->lblMail->text()));
    };

    window->BtnOK->setFocus();
    return window->exec() == QDialog::Accepted;
}

void TZarvoAboutDlg::OpenLink(const QUrl& url) const {
    // Runs inside a mouse event: nothing may escape into the event loop.
    try {
        if (FOpenUrl)
            FOpenUrl(url);
        else
            QDesktopServices::openUrl(url);
    } catch (...) {
        qWarning("TZarvoAboutDlg: %s could not be opened", qPrintable(url.toString()));
    }
}

QIcon TZarvoAboutDlg::ProductIcon() const {
    if (!FExtractExeIcon)
        return FIcon;
    // The owner's icon is the program's own; it falls back to the application's.
    const QWidget* owner = OwnerWindow();
    return owner ? owner->windowIcon() : QGuiApplication::windowIcon();
}

int TZarvoAboutDlg::RightsYear() const {
    return std::max(FHonk.Now().date().year(), kFirstRightsYear);
}

QWidget* TZarvoAboutDlg::OwnerWindow() const {
    auto* owner = qobject_cast<QWidget*>(parent());
    return owner ? owner->window() : nullptr;
}
