#pragma once

#include <curl/curl.h>

#include <memory>

namespace onda::curl {

// libcurl's global set-up, once for the whole program, before the first handle.
bool initialise();

struct EasyCleanup {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct ListCleanup {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
struct MimeCleanup {
    void operator()(curl_mime* mime) const { curl_mime_free(mime); }
};

using Easy = std::unique_ptr<CURL, EasyCleanup>;
using List = std::unique_ptr<curl_slist, ListCleanup>;
using Mime = std::unique_ptr<curl_mime, MimeCleanup>;

// A new easy handle, the library set up first; empty when libcurl cannot give one.
inline Easy newEasy() {
    return Easy(initialise() ? curl_easy_init() : nullptr);
}

// Appends an item; the list is kept as it was when the library cannot grow it.
void append(List& list, const char* item);

} // namespace onda::curl
