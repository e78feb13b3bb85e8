#include "internet/DownloadGlobals.h"

namespace quillory {

std::mutex g_csDownload;
std::string g_strUrl;

}  // namespace quillory
