#include "tests/app/main_window_fixture.h"

#include "controls/x_gauge.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/loopback_listener.h"
#include "tests/support/nginx_server.h"
#include "tests/support/scripted_server.h"
#include "tests/support/test_certificates.h"

#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QGroupBox>
#include <QMenu>
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

TEST_F(QueryRunTest, DetailedViewFollowsTheReportWithEveryHopAndCopyTakesTheViewShown) {
    // Each query: a redirection to /next, then kAnswer.
    const TScriptedServer::TScript redirect = testsupport::Answer(
        "HTTP/1.0 302 Found\r\nServer: scripted/1.0\r\nLocation: /next\r\n\r\n");
    TScriptedServer server({redirect, kAnswering[0], redirect, kAnswering[0]});
    const QString next = Url(server) + QStringLiteral("next");
    const QString standardRows =
        AnsweredRows(Url(server))
            .replace(QStringLiteral("OK (200)|"),
                     QStringLiteral("OK (200)|>>Weiterleitung zu<<|\u00A0 /next|"));
    RunQueryTo(Url(server));
    EXPECT_EQ(Rows(), standardRows);

    // Chosen with the keyboard, as the user does.
    Window->cBoxResultViewStyle->setFocus();
    Press(Qt::Key_Down);
    EXPECT_EQ(Window->cBoxResultViewStyle->currentText(), QStringLiteral("Ausführlich"));
    const QString detailRows = Rows();
    // The steps as the query took them: no lookup for an address.
    const QString firstStep = QStringLiteral("||>>Schritt 1: Moved Temporarily (302)<<|"
                                             "\u00A0 Adresse: %1|"
                                             "\u00A0 Verbunden mit: 127.0.0.1, Port %2|"
                                             "\u00A0 Weiterleitung zu: %3|\u00A0 Verbindung ")
                                  .arg(Url(server))
                                  .arg(server.Port())
                                  .arg(next);
    EXPECT_TRUE(detailRows.startsWith(standardRows + firstStep)) << detailRows.toStdString();
    EXPECT_TRUE(detailRows.contains(
        QStringLiteral(" ms|\u00A0 HTTP/1.0 302 Found|\u00A0 Server: scripted/1.0|"
                       "\u00A0 Location: /next||>>Schritt 2: OK (200)<<|\u00A0 Adresse: %1|")
            .arg(next)))
        << detailRows.toStdString();
    EXPECT_TRUE(detailRows.endsWith(QStringLiteral("|\u00A0 Content-Type: text/html||"
                                                   ">>Endgültige Adresse<<|\u00A0 %1")
                                        .arg(next)))
        << detailRows.toStdString();

    // The button's action copies the view shown, as the list shows it.
    QGuiApplication::clipboard()->clear();
    QTest::mouseClick(Window->BtnCopyResultView, Qt::LeftButton);
    const QString copied = QGuiApplication::clipboard()->text();
    QString shown = detailRows;
    shown.replace(QStringLiteral(">>"), QString()).replace(QStringLiteral("<<"), QString());
    shown.replace(QChar(0x00A0), u' ').replace(u'|', u'\n');
    EXPECT_EQ(copied, shown + u'\n');

    // The report's context menu offers the same three.
    const QPoint at(20, 20);
    QContextMenuEvent request(QContextMenuEvent::Mouse, at,
                              Window->ResultView->viewport()->mapToGlobal(at));
    QApplication::sendEvent(Window->ResultView->viewport(), &request);
    ASSERT_TRUE(testsupport::WaitUntil([this] { return Window->PopMenuResultView->isVisible(); }));
    QStringList entries;
    for (const QAction* entry : Window->PopMenuResultView->actions())
        if (!entry->isSeparator())
            entries << entry->text().remove(u'&');
    EXPECT_EQ(entries, QStringList({"Ansicht", "Kopieren", "Speichern..."}));
    QStringList styles;
    for (const QAction* style : Window->mnuResultViewStyle->actions())
        styles << style->text() + (style->isChecked() ? "*" : "");
    EXPECT_EQ(styles, QStringList({"Standard", "Ausführlich*"}));
    // Its choice is the list's, and Ctrl+S saves what is shown then.
    Window->mnuResultViewStyle->actions().front()->trigger();
    Window->PopMenuResultView->hide();
    EXPECT_EQ(Window->cBoxResultViewStyle->currentIndex(), TFrmMain::kViewStandard);
    EXPECT_EQ(Rows(), standardRows);
    SaveAs = DataDir.filePath(QStringLiteral("report.txt"));
    Press(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(FileText(SaveAs),
              AnsweredText(Url(server))
                  .replace(QStringLiteral("OK (200)\n"),
                           QStringLiteral("OK (200)\nWeiterleitung zu\n  /next\n"))
                  .toUtf8());

    // The choice holds for the next query of the run, not for the next run.
    Window->cBoxResultViewStyle->setCurrentIndex(TFrmMain::kViewDetailed);
    Window->BtnNext->click();
    RunQueryTo(Url(server));
    EXPECT_TRUE(Rows().endsWith(QStringLiteral("|>>Endgültige Adresse<<|\u00A0 ") + next));
    Close();
    EXPECT_FALSE(SettingsText().contains("Ausf")) << SettingsText().toStdString();
    EXPECT_TRUE(Presenter.Shown.empty());
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

// The step a query ended in is headed by its failure.
TEST_F(QueryRunTest, DetailedViewHeadsTheFailedStepWithItsFailure) {
    std::string refusedPort;
    {
        const TScriptedServer closed({});
        refusedPort = closed.PortStr();
    }
    TScriptedServer loop(std::vector<TScriptedServer::TScript>(
        http_limits::kMaxRedirections + 1,
        testsupport::Answer("HTTP/1.0 302 Found\r\nLocation: /\r\n\r\n")));
    TScriptedServer garbage(
        {{TScriptedServer::ExpectCount(1), TScriptedServer::Send("HTTP/1.0 200 OK\r\n\r\n"),
          TScriptedServer::Drain()}});
    const struct {
        const char* Name;
        QString Url;
        int Steps;
        QString Step; // the last one
    } cases[] = {
        {"Refused", QStringLiteral("http://127.0.0.1:%1/").arg(refusedPort.c_str()), 1,
         QStringLiteral("||>>Schritt 1: Connection refused (Error #10061)<<|\u00A0 Adresse: ")},
        {"TooManyRedirections", Url(loop), http_limits::kMaxRedirections + 1,
         QStringLiteral("||>>Schritt 21: too many redirections<<|\u00A0 Adresse: ")},
        {"TlsFailure", QStringLiteral("https://127.0.0.1:%1/").arg(garbage.Port()), 1,
         QStringLiteral("||>>Schritt 1: TLS handshake failed: wrong version number")},
    };
    Window->cBoxResultViewStyle->setCurrentIndex(TFrmMain::kViewDetailed);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        RunQueryTo(c.Url);
        EXPECT_TRUE(Rows().contains(c.Step)) << Rows().toStdString();
        EXPECT_EQ(Rows().count(QStringLiteral(">>Schritt ")), c.Steps);
        Window->BtnNext->click();
    }
    EXPECT_TRUE(Presenter.Shown.empty());
}

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

// The server refuses HEAD: the report comes from a GET of the header, and
// says so. A Cyrillic path goes out as UTF-8 and stays an address in the
// report's code page.
TEST_F(QueryRunTest, RefusedHeadIsAnsweredFromAGetAndAnyLetterReachesTheServer) {
    TScriptedServer server({{TScriptedServer::ExpectUntil("\r\n\r\n"),
                             TScriptedServer::Send("HTTP/1.0 405 Method Not Allowed\r\n\r\n"),
                             TScriptedServer::Close()},
                            kAnswering.front()});
    RunQueryTo(Url(server) + QStringLiteral("\u043F\u0443\u0442\u044C-\u00FC"));
    const std::string path = "/%D0%BF%D1%83%D1%82%D1%8C-%C3%BC";
    EXPECT_EQ(server.Received(0).rfind("HEAD " + path + " HTTP/1.0\r\n", 0), 0u)
        << server.Received(0);
    EXPECT_EQ(server.Received(1).rfind("GET " + path + " HTTP/1.0\r\n", 0), 0u)
        << server.Received(1);
    EXPECT_TRUE(Rows().startsWith(QStringLiteral(">>HTTP Report für<<|\u00A0 %1%D0%BF%D1%83%D1%82"
                                                 "%D1%8C-\u00FC||>>Status<<|\u00A0 OK (200)|"
                                                 "\u00A0 Der Server lehnt HEAD ab; die Angaben "
                                                 "stammen aus einer GET-Anfrage.|>>Dateigr")
                                      .arg(Url(server))))
        << Rows().toStdString();
}

// The window takes the proxies of the environment it was started in.
class QueryThroughProxyTest : public QueryRunTest {
protected:
    void SetUp() override {
        qputenv("http_proxy", QByteArray::fromStdString("127.0.0.1:" + Proxy.PortStr()));
        QueryRunTest::SetUp();
        qunsetenv("http_proxy");
    }

    TScriptedServer Proxy{kAnswering};
};

TEST_F(QueryThroughProxyTest, ProxyOfTheEnvironmentGetsTheAbsoluteAddress) {
    const QString address = QStringLiteral("http://origin.test/page");
    RunQueryTo(address);
    EXPECT_EQ(Proxy.Received(0).rfind("HEAD http://origin.test/page HTTP/1.0\r\n", 0), 0u)
        << Proxy.Received(0);
    EXPECT_EQ(Rows(), AnsweredRows(address));
}
