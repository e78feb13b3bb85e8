#pragma once
// The captions and texts of the boxes that retrieving and handling a download show.

#include <string>

namespace quillory {

inline constexpr const char* kInfoCaption = "Info:";
inline constexpr const char* kLocalFileText =
    "Please use the standard OpenFile button to open a local file. It will help reduce the workloads.";

inline constexpr const char* kConnectionErrorCaption = "Connection Error:";
// The text of a failed connection or transfer of url.
inline std::string connectionErrorText(const std::string& url)
{
    return "Error while trying to connect to : " + url +
           "\nPlease make sure your have already dialup to your service provider.\n"
           "Also, make sure the URL that you've entered is correct.\n\n"
           "Note: if you do not specify the protocol in the URL, then 'http://' would be the default "
           "protocol.  Only http, https, ftp, and gopher protocols are supported.";
}

// A box's text with the cause of the failure as its last line: "...\nReason: host not found (x)".
inline std::string withReason(const std::string& text, const std::string& reason)
{
    return text + "\nReason: " + reason;
}

inline constexpr const char* kErrorCaption = "Error:";
inline constexpr const char* kNoBufferText = "Not enough memory for buffering.";

inline constexpr const char* kMemoryErrorCaption = "Memory Error:";
inline constexpr const char* kPartialDownloadText =
    "Not enough memory to hold the entire download's data. Part of the document has be downloaded; "
    "therefore, you are still be able to view part of it.";

inline constexpr const char* kNotViewedText =
    "Document has been retrieved from the URL! Since you have chosen not to view this document in "
    "the editor, you should now save this downloaded file to the local disk... ";
inline constexpr const char* kKeptInMemoryText =
    "Document has been retrieved from the URL! Since you are currently working on another document, "
    "the downloaded Internet file will be saved in memory temporary.  After you are done with the "
    "current document, select \"Load Saved Doc.\" command, from the 'Downloads' menu, to reload the "
    "saved document, or select \"Save Download\" to save the file without displaying it.  Memory will "
    "be released after you have chosen either one of those commands.";
inline constexpr const char* kNotSavedText =
    "You did not choose to save the document at the moment.The downloaded file will be remained in "
    "temporary memory.";

inline constexpr const char* kBinaryMemoryErrorCaption = "Memory Error";
inline constexpr const char* kBinaryMemoryErrorText =
    "Cannot allocate enough memory for viewing downloaded file in Binary mode!\n You can still save the "
    "unmodified downloaded file to local disk drive.";

inline constexpr const char* kFileErrorCaption = "File Error:";
// The text of a download that could not be saved to path.
inline std::string saveDownloadErrorText(const std::string& path)
{
    return "Error in saving to selected file: " + path +
           "\nPlease make sure file exists and is not in used by another application.";
}

}  // namespace quillory
