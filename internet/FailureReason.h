#pragma once
// Why a retrieval failed, in plain words, for the last line of its box ("Reason: ...").

#include <chrono>
#include <cstdint>
#include <string>

namespace quillory {

// What the worker knows when a transfer ends in failure.
struct TransferFailure {
    int curlCode = 0;             // libcurl's result (a CURLcode)
    int systemError = 0;          // errno of the failed system call, 0 when none
    long httpStatus = 0;          // the last HTTP status, 0 when none
    std::string statusLine;       // the last HTTP status line as received, without its line end
    std::string libcurlText;      // libcurl's own message of the failure, may be empty
    std::string host;             // the host of the address that failed
    std::string refusedLocation;  // the redirect target that was not followed, if any
    std::int64_t received = 0;    // bytes of the document that arrived
    std::int64_t announced = -1;  // the length the server announced, -1 when it did not
    bool idle = false;            // ended by the idle limit: nothing arrived for idleLimit
    std::chrono::seconds idleLimit{60};
    std::chrono::seconds connectLimit{30};
    long maxRedirects = 10;
};

// "host not found (no.such.host)", "connection refused", "HTTP 404 Not Found", "no data for 60
// seconds", "the server closed the connection after 5,000 of 600,000 bytes", ...
std::string failureReason(const TransferFailure& failure);

// The reason a document stopped at the buffer's limit or when memory ran out, saying what was kept.
std::string partialDownloadReason(std::int64_t kept, std::int64_t limit, bool atLimit);

}  // namespace quillory
