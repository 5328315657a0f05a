// What the bytes a picture-server client has sent so far ask for: the raw
// answer, an HTTP GET or HEAD, nothing (the connection closes), or more
// bytes before that can be told. No sockets: the worker reads, this decides.
#pragma once

#include <QByteArray>

namespace vimbo {

// The largest HTTP request head read; a longer one closes the connection.
constexpr int kMaxRequestHead = 16 * 1024;

// The stages of reading one request, in order; a stage that needs more bytes
// says so, and the reader waits for them (a short wait for the request line,
// which may come in pieces, the idle time for the headers).
enum class RequestStage {
    None,
    Method, // the first bytes may still become "GET " or "HEAD "
    Line,   // a GET or HEAD whose first line has not ended
    Head,   // an HTTP request whose headers have not ended
};

struct RequestScan
{
    enum class Kind {
        More, // `waitFor` needs more bytes
        None, // nothing to answer: the connection closes
        Raw,  // anything else: the raw answer, for everything received
        Get,
        Head,
    };
    Kind kind = Kind::None;
    RequestStage waitFor = RequestStage::None;
    bool keepOpen = true; // for Get and Head
    qsizetype used = 0;   // bytes of `received` the request takes
};

// The request `received` holds. `stalledAt` is the stage at which the last
// wait for more bytes ran out or the client closed (None while bytes come):
// a method cut short is taken as it is and its line is waited for still, a
// request line cut short gets the raw answer, and headers cut short end the
// connection.
RequestScan ScanRequest(const QByteArray& received, RequestStage stalledAt = RequestStage::None);

} // namespace vimbo
