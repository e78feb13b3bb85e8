#include "internet/FailureReason.h"

#include <cerrno>
#include <cstring>

#include <curl/curl.h>

#include "internet/RetrievalProgressText.h"
#include "internet/UrlRules.h"

namespace quillory {

namespace {

std::string seconds(std::chrono::seconds limit)
{
    const auto count = limit.count();
    return std::to_string(count) + (count == 1 ? " second" : " seconds");
}

// "5,000 of 600,000 bytes" or "5,000 bytes".
std::string bytesReceived(const TransferFailure& failure)
{
    if (failure.announced > 0)
        return groupedDigits(failure.received) + " of " + groupedDigits(failure.announced) + " bytes";
    return groupedDigits(failure.received) + " bytes";
}

// libcurl's message, else its general text for the code.
std::string libcurlWords(const TransferFailure& failure)
{
    if (!failure.libcurlText.empty())
        return failure.libcurlText;
    return curl_easy_strerror(static_cast<CURLcode>(failure.curlCode));
}

std::string httpReason(const TransferFailure& failure)
{
    // "HTTP/1.1 404 Not Found" -> "HTTP 404 Not Found"; HTTP/2 sends no phrase.
    const std::size_t blank = failure.statusLine.find(' ');
    if (failure.statusLine.rfind("HTTP/", 0) == 0 && blank != std::string::npos &&
        blank + 1 < failure.statusLine.size())
        return "HTTP " + failure.statusLine.substr(blank + 1);
    return "HTTP " + std::to_string(failure.httpStatus);
}

std::string refusedRedirect(const TransferFailure& failure)
{
    const std::size_t colon = failure.refusedLocation.find(':');
    if (colon == std::string::npos || colon == 0)
        return "redirect to an unsupported address refused (" + failure.refusedLocation + ")";
    return "redirect to a " + asciiLower(failure.refusedLocation.substr(0, colon)) + ":// address refused";
}

std::string brokenConnection(const TransferFailure& failure)
{
    if (failure.received == 0)
        return "the server closed the connection before sending the document";
    return "the server closed the connection after " + bytesReceived(failure);
}

}  // namespace

std::string failureReason(const TransferFailure& failure)
{
    if (failure.idle) {
        std::string reason = "no data for " + seconds(failure.idleLimit);
        if (failure.received > 0)
            reason += " (" + bytesReceived(failure) + " received)";
        return reason;
    }
    switch (static_cast<CURLcode>(failure.curlCode)) {
    case CURLE_COULDNT_RESOLVE_HOST: return "host not found (" + failure.host + ")";
    case CURLE_COULDNT_RESOLVE_PROXY: return "proxy not found: " + libcurlWords(failure);
    case CURLE_COULDNT_CONNECT:
        if (failure.systemError == ECONNREFUSED)
            return "connection refused";
        if (failure.systemError != 0)
            return "could not connect: " + std::string(std::strerror(failure.systemError));
        return "could not connect: " + libcurlWords(failure);
    case CURLE_OPERATION_TIMEDOUT: return "no connection within " + seconds(failure.connectLimit);
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH: return "the server's certificate is not trusted: " + libcurlWords(failure);
    case CURLE_SSL_CONNECT_ERROR: return "the secure connection failed: " + libcurlWords(failure);
    case CURLE_TOO_MANY_REDIRECTS: return "too many redirects (more than " + std::to_string(failure.maxRedirects) + ")";
    case CURLE_UNSUPPORTED_PROTOCOL:
        if (!failure.refusedLocation.empty())
            return refusedRedirect(failure);
        return "unsupported protocol: " + libcurlWords(failure);
    case CURLE_HTTP_RETURNED_ERROR: return httpReason(failure);
    case CURLE_REMOTE_FILE_NOT_FOUND: return "the file was not found on the server";
    case CURLE_REMOTE_ACCESS_DENIED: return "the server denied access: " + libcurlWords(failure);
    case CURLE_LOGIN_DENIED: return "the server refused the login";
    case CURLE_PARTIAL_FILE: return brokenConnection(failure);
    case CURLE_GOT_NOTHING: return "the server closed the connection without answering";
    case CURLE_RECV_ERROR:
        if (failure.systemError != 0)
            return "the connection broke after " + bytesReceived(failure) + ": " + std::strerror(failure.systemError);
        return "the connection broke after " + bytesReceived(failure);
    case CURLE_URL_MALFORMAT: return "the address is not valid: " + libcurlWords(failure);
    case CURLE_OUT_OF_MEMORY: return "not enough memory";
    default: return libcurlWords(failure);
    }
}

std::string partialDownloadReason(std::int64_t kept, std::int64_t limit, bool atLimit)
{
    if (atLimit)
        return "the document is larger than the " + groupedDigits(limit) + " bytes the editor can hold; the first " +
               groupedDigits(kept) + " bytes were kept";
    return "out of memory; the first " + groupedDigits(kept) + " bytes were kept";
}

}  // namespace quillory
