#include "http/http_request_watch.h"

#include "http/http_client.h"

THttpRequestWatch::THttpRequestWatch(const THttpClient& Client)
    : FLife(Client.FLifeToken.Watch()), FClient(&Client), FRequest(Client.FRequestSerial) {}

bool THttpRequestWatch::Runs() const {
    return FLife.Alive() && FClient->FRequestSerial == FRequest &&
           FClient->FState != THttpState::httpReady && FClient->FState != THttpState::httpAborting;
}
