#include "requestscan.h"

namespace vimbo {

namespace {

// Whether `received` may still become "GET " or "HEAD " as bytes come.
bool mayBeHttpMethod(const QByteArray& received)
{
    for (const char* method : {"GET ", "HEAD "}) {
        const QByteArray m(method);
        if (m.startsWith(received.left(m.size())))
            return true;
    }
    return false;
}

RequestScan more(RequestStage stage)
{
    RequestScan scan;
    scan.kind = RequestScan::Kind::More;
    scan.waitFor = stage;
    return scan;
}

RequestScan answer(RequestScan::Kind kind, qsizetype used, bool keepOpen = true)
{
    RequestScan scan;
    scan.kind = kind;
    scan.used = used;
    scan.keepOpen = keepOpen;
    return scan;
}

} // namespace

RequestScan ScanRequest(const QByteArray& received, RequestStage stalledAt)
{
    using Kind = RequestScan::Kind;
    // "GET " alone is one byte short of telling the methods apart; a client
    // that stops there is still given the time for its line.
    if (stalledAt < RequestStage::Method && mayBeHttpMethod(received) && received.size() < 5)
        return more(RequestStage::Method);
    const bool get = received.startsWith("GET "), head = received.startsWith("HEAD ");
    if (!get && !head)
        return answer(Kind::Raw, received.size());

    // A request line without a protocol version (a bare "GET /", as an old
    // or hand-typed client sends it) has no headers to wait for: it gets the
    // raw answer, as any other data does. A line longer than any head is
    // taken as HTTP, and closes the connection below.
    const qsizetype lineEnd = received.indexOf('\n');
    if (lineEnd < 0 && received.size() <= kMaxRequestHead)
        return stalledAt >= RequestStage::Line ? answer(Kind::Raw, received.size())
                                               : more(RequestStage::Line);
    if (lineEnd >= 0 && !received.left(lineEnd).contains(" HTTP/"))
        return answer(Kind::Raw, received.size());

    qsizetype end = received.indexOf("\r\n\r\n");
    qsizetype endLength = 4;
    if (end < 0) {
        end = received.indexOf("\n\n");
        endLength = 2;
    }
    if (end < 0) {
        if (received.size() > kMaxRequestHead || stalledAt >= RequestStage::Head)
            return answer(Kind::None, 0);
        return more(RequestStage::Head);
    }
    end += endLength;
    if (end > kMaxRequestHead)
        return answer(Kind::None, 0);

    const QByteArray requestHead = received.left(end).toLower();
    // HTTP/1.1 keeps the connection unless told otherwise; 1.0 only when asked.
    const bool http10 = requestHead.left(requestHead.indexOf('\n')).contains("http/1.0");
    const bool saysClose = requestHead.contains("\nconnection: close");
    const bool saysKeep = requestHead.contains("\nconnection: keep-alive");
    return answer(get ? Kind::Get : Kind::Head, end, http10 ? saysKeep : !saysClose);
}

} // namespace vimbo
