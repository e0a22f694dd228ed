#include "tests/app/main_window_fixture.h"

#include "controls/x_gauge.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/loopback_listener.h"
#include "tests/support/nginx_server.h"
#include "tests/support/scripted_server.h"
#include "tests/support/test_certificates.h"

#include <QClipboard>
#include <QDir>
#include <QTimer>

#include <sys/utsname.h>

#include <future>

namespace {

using testsupport::TScriptedServer;

const std::string kAnswer = "HTTP/1.0 200 OK\r\n"
                            "Server: scripted/1.0\r\n"
                            "Date: Mon, 07 Dec 2026 20:00:00 GMT\r\n"
                            "Content-Type: text/html\r\n"
                            "\r\n";
// A server that answers with kAnswer, and one that never answers.
const std::vector<TScriptedServer::TScript> kAnswering = {{TScriptedServer::ExpectUntil("\r\n\r\n"),
                                                           TScriptedServer::Send(kAnswer),
                                                           TScriptedServer::Close()}};
const std::vector<TScriptedServer::TScript> kSilent = {
    {TScriptedServer::ExpectUntil("\r\n\r\n"), TScriptedServer::Drain()}};

QString Url(const TScriptedServer& server) {
    return QStringLiteral("http://127.0.0.1:%1/").arg(server.Port());
}

// The list's rows for kAnswer to a request for `url`, joined by "|"; a value
// row starts with a no-break space and a blank.
QString AnsweredRows(const QString& url) {
    return QStringLiteral(">>HTTP Report für<<|\u00A0 %1||>>Status<<|\u00A0 OK (200)|"
                          ">>Dateigröße<<|\u00A0 <unbekannt>|>>Dateityp<<|\u00A0 text/html|"
                          ">>Server-Betriebssystem<<|\u00A0 scripted/1.0|>>Datum<<|"
                          "\u00A0 Mon, 07 Dec 2026 20:00:00 GMT|>>Zuletzt geändert<<|"
                          "\u00A0 <unbekannt>")
        .arg(url);
}

// The same report as text: headings without markers, values indented.
QString AnsweredText(const QString& url) {
    return QStringLiteral("HTTP Report für\n  %1\n\nStatus\n  OK (200)\nDateigröße\n"
                          "  <unbekannt>\nDateityp\n  text/html\nServer-Betriebssystem\n"
                          "  scripted/1.0\nDatum\n  Mon, 07 Dec 2026 20:00:00 GMT\n"
                          "Zuletzt geändert\n  <unbekannt>\n")
        .arg(url);
}

// Records every value the gauge is painted with, once per change.
struct TGaugeRecorder : QObject {
    explicit TGaugeRecorder(TxGauge* gauge) : Gauge(gauge) { gauge->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint &&
            (Painted.empty() || Painted.back() != Gauge->Progress()))
            Painted.push_back(Gauge->Progress());
        return false;
    }
    TxGauge* Gauge;
    std::vector<int> Painted;
};

} // namespace

class QueryRunTest : public MainWindowTest {
protected:
    // Runs `action` from the request's own wait once the client enters `state`.
    void WhenClientEnters(THttpState state, std::function<void()> action) {
        Window->HTTP->OnStateChange = [state, action](THttpClient* client) {
            if (client->State() == state)
                QTimer::singleShot(0, action);
        };
    }

    QString Rows() const {
        QStringList rows;
        for (int i = 0; i < Window->ResultView->count(); ++i)
            rows << Window->ResultView->item(i)->text();
        return rows.join(u'|');
    }

    void ExpectAbortedReport() {
        for (const char* row :
             {"|\u00A0 Status: Not Found (404)|", "|\u00A0 Meldung: Connection aborted on request"})
            EXPECT_TRUE(Rows().contains(QString::fromUtf8(row))) << Rows().toStdString();
    }
};

TEST_F(QueryRunTest, EnterRunsTheQueryAndTheReportIsShownCopiedAndSaved) {
    TScriptedServer server(kAnswering);
    // Typed into the empty field, then Enter; returns once the run is over.
    Window->edURL->clearEditText();
    QTest::keyClicks(QApplication::focusWidget(), Url(server));
    Press(Qt::Key_Return);
    EXPECT_EQ(Window->CurrentPage(), TFrmMain::kPageFinish);
    EXPECT_EQ(Rows(), AnsweredRows(Url(server)));

    // One HEAD request that names this program and this system.
    utsname system{};
    ASSERT_EQ(uname(&system), 0);
    const std::string request = server.Received(0);
    EXPECT_EQ(request.rfind("HEAD / HTTP/1.0\r\n", 0), 0u) << request;
    const std::string agent = "\r\nUser-Agent: Mozilla/3.0 (compatible; Vendrix Quorvik 1.01; "
                              "Linux " +
                              std::string(system.release) + ")\r\n";
    EXPECT_NE(request.find(agent), std::string::npos) << request;
    // The progress lines as the request left them: the host it talked to.
    EXPECT_EQ(Window->PProgress_lblProgress->text(),
              QStringLiteral("Empfange HTTP-Header vom Server 127.0.0.1..."));
    EXPECT_EQ(Window->PProgress_lblProgress2->text(), QString());

    // Copied and saved as the list shows it.
    QGuiApplication::clipboard()->clear();
    Press(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), AnsweredText(Url(server)));
    SaveAs = DataDir.filePath(QStringLiteral("report.txt"));
    Press(Qt::Key_S, Qt::ControlModifier);
    QFile saved(SaveAs);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), AnsweredText(Url(server)).toUtf8());
    EXPECT_TRUE(Presenter.Shown.empty());

    // A file that cannot be written is reported, and nothing is left of it.
    SaveAs = DataDir.filePath(QStringLiteral("missing/report.txt"));
    Press(Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(Presenter.Shown.size(), 1u);
    EXPECT_EQ(Presenter.Shown[0].Text,
              QStringLiteral("Fehler beim speichern des HTTP-Reports.  [759]"));
    EXPECT_EQ(Presenter.Shown[0].Icon, TMsgIcon::Error);
    EXPECT_FALSE(QFile::exists(SaveAs));

    // A write that fails on the way (as on a full disk) is reported too, and
    // the report saved before stays as it was.
    SaveAs = DataDir.filePath(QStringLiteral("report.txt"));
    {
        const testsupport::TFileSizeLimit limit(AnsweredText(Url(server)).toUtf8().size() / 2);
        Press(Qt::Key_S, Qt::ControlModifier);
    }
    EXPECT_EQ(Presenter.Shown.size(), 2u);
    EXPECT_EQ(Presenter.Shown.back().Text,
              QStringLiteral("Fehler beim speichern des HTTP-Reports.  [759]"));
    QFile kept(SaveAs);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), AnsweredText(Url(server)).toUtf8());
    EXPECT_EQ(QDir(DataDir.path()).entryList(QDir::Files | QDir::Hidden).filter(".tmp"),
              QStringList());
}

// The case: the host of the address, and whether its name has ::1 as its
// only address (through the client's lookup: no hosts file can be relied on).
class QueryIpv6Test : public QueryRunTest, public ::testing::WithParamInterface<bool> {};

TEST_P(QueryIpv6Test, ServerOnIpv6LoopbackAnswersByLiteralOrName) {
    if (!testsupport::HasIpv6Loopback())
        GTEST_SKIP() << "this machine has no IPv6 loopback";
    TScriptedServer server(kAnswering, "::1");
    QString url = QString::fromStdString(server.Url());
    if (GetParam()) {
        Window->HTTP->Socket().Resolver().NameWork = [](const std::string&) {
            return TLookupResult{0, {"::1"}};
        };
        url = QStringLiteral("http://v6only.test:%1/").arg(server.Port());
    }
    RunQueryTo(url);
    EXPECT_EQ(Rows().toStdString(), AnsweredRows(url).toStdString());
}

INSTANTIATE_TEST_SUITE_P(Hosts, QueryIpv6Test, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Name" : "Literal"; });

TEST_F(QueryRunTest, GaugeShowsEachStepOfTheRun) {
    // Waits long enough for every step to be painted before the next one.
    Window->SetQueryWaits(std::chrono::milliseconds(20), std::chrono::milliseconds(20));
    TScriptedServer server(kAnswering);
    // A gauge left full by an earlier run starts from empty again.
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        TGaugeRecorder recorder(Window->PProgress_Gauge);
        RunQueryTo(run == 0 ? Url(server) : QStringLiteral("http://nowhere.test/"));
        EXPECT_EQ(recorder.Painted, (std::vector<int>{0, 1, 2, 3}));
        EXPECT_EQ(Window->PProgress_Gauge->MaxValue(), 3);
        Window->BtnNext->click();
    }
}

TEST_F(QueryRunTest, CancelDuringTheLookupEndsWithTheAbortedReport) {
    // A lookup that waits until the test lets it go on.
    std::promise<void> gate;
    Window->HTTP->Socket().Resolver().NameWork =
        [held = gate.get_future().share()](const std::string&) {
            held.wait();
            return TLookupResult{0, {"127.0.0.1"}};
        };
    WhenClientEnters(THttpState::httpDnsLookup, [this] { Window->BtnCancel->click(); });
    RunQueryTo(QStringLiteral("http://held.test/"));
    gate.set_value();
    ExpectAbortedReport();
    EXPECT_TRUE(Presenter.Shown.empty());
}

// The case: the way the user cancels (the button, Escape, closing the window).
class QueryCancelTest : public QueryRunTest, public ::testing::WithParamInterface<int> {};

TEST_P(QueryCancelTest, CancelEscapeAndCloseAbortASilentServerAndTheWindowStays) {
    const std::function<void()> ways[] = {
        [this] { Window->BtnCancel->click(); },
        [this] { Press(Qt::Key_Escape); },
        [this] { EXPECT_FALSE(Window->close()); },
    };
    TScriptedServer server(kSilent);
    WhenClientEnters(THttpState::httpWaitingHeader, ways[GetParam()]);
    RunQueryTo(Url(server));
    ASSERT_FALSE(Window.isNull());
    EXPECT_TRUE(Window->isVisible());
    ExpectAbortedReport();
    EXPECT_TRUE(testsupport::WaitUntil([&] { return server.Done(); }));
    Window->BtnNext->click();
    EXPECT_TRUE(Presenter.Shown.empty());
    // Once the request is over, a close ends the program.
    EXPECT_TRUE(Window->close());
    EXPECT_TRUE(WaitClosed());
}

const char* const kCancelWays[] = {"CancelButton", "Escape", "CloseWindow"};
INSTANTIATE_TEST_SUITE_P(Ways, QueryCancelTest, ::testing::Range(0, 3),
                         [](const auto& info) { return std::string(kCancelWays[info.param]); });

TEST_F(QueryRunTest, HttpsAddressEndsWithTheEncryptionSectionOrTheCertificateFailure) {
    const testsupport::TTestCertificates certificates;
    ASSERT_EQ(certificates.Failure(), "");
    testsupport::TNginxServer server(certificates.NginxTlsServer("good"));
    ASSERT_EQ(server.Failure(), "");
    const QString url = QStringLiteral("https://localhost:%1/").arg(server.Port());
    // The certificate names localhost, which the window looks up here.
    Window->HTTP->Socket().Resolver().NameWork = [](const std::string&) {
        return TLookupResult{0, {"127.0.0.1"}};
    };
    // The window trusts the system's store only: the test CA is in it for one run.
    qputenv("SSL_CERT_FILE", certificates.CaFile().toLocal8Bit());
    RunQueryTo(url);
    qunsetenv("SSL_CERT_FILE");
    EXPECT_TRUE(Rows().contains(QStringLiteral("|>>Verschlüsselung<<|\u00A0 TLSv1.3, TLS_")))
        << Rows().toStdString();
    EXPECT_TRUE(
        Rows().contains(QStringLiteral("|\u00A0 localhost, ausgestellt von Quorvik Test CA, "
                                       "gültig bis ")))
        << Rows().toStdString();

    Window->BtnNext->click();
    RunQueryTo(url);
    EXPECT_TRUE(Rows().contains(QStringLiteral("|\u00A0 Meldung: TLS handshake failed: certificate "
                                               "verify failed (unable to get local issuer "
                                               "certificate) (Error #20100)|")))
        << Rows().toStdString();
    EXPECT_FALSE(Rows().contains(QStringLiteral("Verschlüsselung")));
    EXPECT_TRUE(Presenter.Shown.empty());
}

TEST_F(QueryRunTest, CancelEndsAnEndlessTlsHandshake) {
    TScriptedServer server({{TScriptedServer::Drain()}});
    // Pressed once the server holds the start of the handshake.
    QTimer cancel;
    QObject::connect(&cancel, &QTimer::timeout, [&] {
        if (!server.Received(0).empty()) {
            cancel.stop();
            Window->BtnCancel->click();
        }
    });
    cancel.start(std::chrono::milliseconds(10));
    RunQueryTo(QStringLiteral("https://127.0.0.1:%1/").arg(server.Port()));
    ExpectAbortedReport();
    EXPECT_TRUE(testsupport::WaitUntil([&] { return server.Done(); }));
}
