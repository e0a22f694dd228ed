#include "tests/app/main_window_fixture.h"

#include "controls/x_gauge.h"
#include "http/http_client.h"
#include "net/async_socket.h"
#include "net/resolver.h"
#include "tests/support/event_wait.h"
#include "tests/support/scripted_server.h"

#include <QClipboard>
#include <QFile>
#include <QTest>
#include <QTimer>

#include <sys/utsname.h>

#include <functional>
#include <future>

namespace {

using testsupport::TScriptedServer;

const std::string kRequestEnd = "\r\n\r\n";
const std::string kAnswer = "HTTP/1.0 200 OK\r\n"
                            "Server: scripted/1.0\r\n"
                            "Date: Mon, 07 Dec 2026 20:00:00 GMT\r\n"
                            "Content-Type: text/html\r\n"
                            "\r\n";
// A server that answers with kAnswer, and one that never answers.
const std::vector<TScriptedServer::TScript> kAnswering = {
    {TScriptedServer::ExpectUntil(kRequestEnd), TScriptedServer::Send(kAnswer),
     TScriptedServer::Close()}};
const std::vector<TScriptedServer::TScript> kSilent = {
    {TScriptedServer::ExpectUntil(kRequestEnd), TScriptedServer::Drain()}};

QString Value(const QString& text) {
    return QChar(0xA0) + QLatin1Char(' ') + text;
}

// The list's rows for kAnswer to a request for `url` (a value row starts
// with a no-break space and a blank).
QStringList AnsweredRows(const QString& url) {
    return QStringLiteral(">>HTTP Report für<<|\u00A0 %1||>>Status<<|\u00A0 OK (200)|"
                          ">>Dateigröße<<|\u00A0 <unbekannt>|>>Dateityp<<|\u00A0 text/html|"
                          ">>Server-Betriebssystem<<|\u00A0 scripted/1.0|>>Datum<<|"
                          "\u00A0 Mon, 07 Dec 2026 20:00:00 GMT|>>Zuletzt geändert<<|"
                          "\u00A0 <unbekannt>")
        .arg(url)
        .split(u'|');
}

// The same report as text: headings without markers, values indented.
QString AnsweredText(const QString& url) {
    return QStringLiteral("HTTP Report für\n  %1\n\nStatus\n  OK (200)\nDateigröße\n"
                          "  <unbekannt>\nDateityp\n  text/html\nServer-Betriebssystem\n"
                          "  scripted/1.0\nDatum\n  Mon, 07 Dec 2026 20:00:00 GMT\n"
                          "Zuletzt geändert\n  <unbekannt>\n")
        .arg(url);
}

QString Url(const TScriptedServer& server) {
    return QStringLiteral("http://127.0.0.1:%1/").arg(server.Port());
}

// Records every value the gauge is painted with, once per change.
class TGaugeRecorder : public QObject {
public:
    explicit TGaugeRecorder(TxGauge* gauge) : gauge_(gauge) { gauge->installEventFilter(this); }
    std::vector<int> Painted;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == gauge_ && event->type() == QEvent::Paint &&
            (Painted.empty() || Painted.back() != gauge_->Progress()))
            Painted.push_back(gauge_->Progress());
        return false;
    }

private:
    TxGauge* gauge_;
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

    QStringList Rows() const {
        QStringList rows;
        for (int i = 0; i < Window->ResultView->count(); ++i)
            rows << Window->ResultView->item(i)->text();
        return rows;
    }

    void ExpectAbortedReport() {
        const QStringList rows = Rows();
        for (const char* value :
             {"Status: Not Found (404)", "Meldung: Connection aborted on request"})
            EXPECT_TRUE(rows.contains(Value(QLatin1String(value))))
                << rows.join(u'|').toStdString();
    }
};

TEST_F(QueryRunTest, EnterRunsTheQueryAndShowsTheReport) {
    TScriptedServer server(kAnswering);
    // Typed into the empty field, then Enter; returns once the run is over.
    Window->edURL->clearEditText();
    QTest::keyClicks(QApplication::focusWidget(), Url(server));
    Press(Qt::Key_Return);
    EXPECT_EQ(Window->CurrentPage(), TFrmMain::kPageFinish);
    EXPECT_EQ(Rows(), AnsweredRows(Url(server)));
    EXPECT_TRUE(Presenter.Shown.empty());

    // One HEAD request that names this program and this system.
    utsname system{};
    ASSERT_EQ(uname(&system), 0);
    const std::string request = server.Received(0);
    EXPECT_EQ(request.rfind("HEAD / HTTP/1.0\r\n", 0), 0u) << request;
    EXPECT_NE(request.find(std::string("\r\nUser-Agent: Mozilla/3.0 (compatible; Vendrix Quorvik "
                                       "1.01; Linux ") +
                           system.release + ")\r\n"),
              std::string::npos)
        << request;
    // The progress lines as the request left them: the host it talked to.
    EXPECT_EQ(Window->PProgress_lblProgress->text(),
              QStringLiteral("Empfange HTTP-Header vom Server 127.0.0.1..."));
    EXPECT_EQ(Window->PProgress_lblProgress2->text(), QString());
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

TEST_F(QueryRunTest, CancelEscapeAndCloseAbortASilentServerAndTheWindowStays) {
    const std::vector<std::pair<const char*, std::function<void()>>> ways = {
        {"button", [this] { Window->BtnCancel->click(); }},
        {"Escape", [this] { Press(Qt::Key_Escape); }},
        {"close", [this] { EXPECT_FALSE(Window->close()); }},
    };
    for (const auto& [name, cancel] : ways) {
        SCOPED_TRACE(name);
        TScriptedServer server(kSilent);
        WhenClientEnters(THttpState::httpWaitingHeader, cancel);
        RunQueryTo(Url(server));
        ASSERT_FALSE(Window.isNull());
        EXPECT_TRUE(Window->isVisible());
        ExpectAbortedReport();
        EXPECT_TRUE(testsupport::WaitUntil([&] { return server.Done(); }));
        Window->BtnNext->click();
    }
    EXPECT_TRUE(Presenter.Shown.empty());
    // Once the request is over, a close ends the program.
    EXPECT_TRUE(Window->close());
    EXPECT_TRUE(WaitClosed());
}

TEST_F(QueryRunTest, CopyAndSaveGiveTheReportAsTheListShowsIt) {
    TScriptedServer server(kAnswering);
    RunQueryTo(Url(server));
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
}
