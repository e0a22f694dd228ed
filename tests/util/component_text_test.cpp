#include "tests/util/honk_fixture.h"

#include <QObject>

namespace {

// A component with a property of each kind the text form carries.
class TSample : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Caption MEMBER Caption)
    Q_PROPERTY(int Count MEMBER Count)
    Q_PROPERTY(bool Active MEMBER Active)
    Q_PROPERTY(double Ratio MEMBER Ratio)
    Q_PROPERTY(TMode Mode MEMBER Mode)
    Q_PROPERTY(int Computed READ Computed)

public:
    enum TMode { mdNone, mdFast };
    Q_ENUM(TMode)

    Q_INVOKABLE TSample() = default;
    int Computed() const { return 7; }

    QString Caption;
    int Count = 0;
    bool Active = false;
    double Ratio = 0;
    TMode Mode = mdNone;
};

using ComponentTextTest = HonkFixture;

TEST_F(ComponentTextTest, AComponentBecomesTextAndComesBackAsItWas) {
    qRegisterMetaType<TSample*>();
    TSample sample;
    sample.setObjectName(QStringLiteral("Probe"));
    sample.Caption = QStringLiteral("It's \"done\"\r\n\tnext = 'x'");
    sample.Count = -12;
    sample.Active = true;
    sample.Ratio = 0.25;
    sample.Mode = TSample::mdFast;
    const QString text = Honk.ComponentToString(&sample);
    EXPECT_EQ(text, QStringLiteral("object Probe: TSample\n"
                                   "  Caption = 'It''s \"done\"'#13#10#9'next = ''x'''\n"
                                   "  Count = '-12'\n"
                                   "  Active = 'true'\n"
                                   "  Ratio = '0.25'\n"
                                   "  Mode = 'mdFast'\n"
                                   "end\n"));
    const std::unique_ptr<QObject> copy = Honk.StringToComponent(text);
    ASSERT_NE(qobject_cast<TSample*>(copy.get()), nullptr);
    const auto& back = static_cast<const TSample&>(*copy);
    EXPECT_EQ(back.objectName(), sample.objectName());
    EXPECT_EQ(back.Caption, sample.Caption);
    EXPECT_EQ(back.Count, sample.Count);
    EXPECT_TRUE(back.Active);
    EXPECT_EQ(back.Ratio, sample.Ratio);
    EXPECT_EQ(back.Mode, sample.Mode);
    // An empty text and a plain QObject.
    sample.Caption.clear();
    EXPECT_TRUE(Honk.ComponentToString(&sample).contains("  Caption = ''\n"));
    EXPECT_NE(Honk.StringToComponent("object : QObject\nend"), nullptr);
    EXPECT_TRUE(Presenter.Shown.empty());
    // The component's build stamp, whenever the program is built.
    EXPECT_EQ(Honk.Compilierung(), QStringLiteral("Jun 16 2001  (19:37:39 Uhr)"));
}

// Each case: a faulty text and its name.
class ComponentTextFaultTest
    : public HonkFixture,
      public ::testing::WithParamInterface<std::pair<const char*, const char*>> {};

TEST_P(ComponentTextFaultTest, AFaultShowsTheStreamingErrorAndGivesNothing) {
    qRegisterMetaType<TSample*>();
    const char* const fault = GetParam().second;
    Presenter.Shown.clear();
    EXPECT_EQ(Honk.StringToComponent(QString::fromUtf8(fault)), nullptr);
    ASSERT_EQ(Presenter.Shown.size(), 1u);
    EXPECT_EQ(Presenter.Shown[0].Text, QStringLiteral("Streaming-Fehler."));
    EXPECT_EQ(Presenter.Shown[0].Caption, kTitle);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ComponentTextFaultTest,
    ::testing::Values(
        std::pair{"EmptyText", ""}, std::pair{"NoEnd", "object Probe: TSample\n"},
        std::pair{"NoColon", "object Probe TSample\nend\n"},
        std::pair{"UnknownClass", "object Probe: TNoSuchClass\nend\n"},
        std::pair{"UnknownProperty", "object Probe: TSample\n  Missing = 'x'\nend\n"},
        std::pair{"NotANumber", "object Probe: TSample\n  Count = 'zwölf'\nend\n"},
        std::pair{"UnquotedValue", "object Probe: TSample\n  Count = 12\nend\n"},
        std::pair{"OpenQuote", "object Probe: TSample\n  Caption = 'open\nend\n"},
        std::pair{"CharacterCodeOnly", "object Probe: TSample\n  Caption = #65\nend\n"},
        std::pair{"ReadOnlyProperty", "object Probe: TSample\n  Computed = '1'\nend\n"}),
    [](const auto& info) { return std::string(info.param.first); });

TEST_F(ComponentTextTest, NoComponentShowsTheStreamingErrorAndGivesNoText) {
    EXPECT_EQ(Honk.ComponentToString(nullptr), QString());
    ASSERT_EQ(Presenter.Shown.size(), 1u);
    EXPECT_EQ(Presenter.Shown[0].Text, QStringLiteral("Streaming-Fehler."));
}

} // namespace

#include "component_text_test.moc"
