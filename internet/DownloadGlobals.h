#pragma once
// State shared between the user-interface thread and the retrieval worker. Both live for the whole
// process: constructed before the application starts, destroyed after it ends.

#include <mutex>
#include <string>

namespace quillory {

// Held by the retrieval worker from before it opens the URL until after it closes the session.
extern std::mutex g_csDownload;
// The URL being retrieved; read and written under g_csDownload.
extern std::string g_strUrl;

}  // namespace quillory
