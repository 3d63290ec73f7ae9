// libcurl and the libraries it needs are loaded by the first call into it, not when the program
// starts: most sessions never go on line, and loading them costs a noticeable part of start-up.
// These definitions stand for libcurl's own entry points and forward to them.
#define CURL_DISABLE_TYPECHECK
#include <curl/curl.h>

#include <dlfcn.h>

#include <cstdarg>
#include <mutex>

namespace {

void* library() {
    static void* handle = nullptr;
    static std::once_flag once;
    std::call_once(once, [] {
        for (const char* name : {"libcurl.so.4", "libcurl-gnutls.so.4", "libcurl.so"}) {
            if ((handle = dlopen(name, RTLD_NOW | RTLD_LOCAL)))
                break;
        }
    });
    return handle;
}

template <class Function> Function* entry(const char* name) {
    void* handle = library();
    return handle ? reinterpret_cast<Function*>(dlsym(handle, name)) : nullptr;
}

// A pointer per entry point, found on its first call; `fallback` when libcurl is missing.
#define ONDA_CURL_FORWARD(name, fallback, ...)                                                                         \
    static auto* const real = entry<decltype(::name)>(#name);                                                          \
    return real ? real(__VA_ARGS__) : fallback

const char* const kMissing = "libreria libcurl non disponibile";

} // namespace

extern "C" {

CURLcode curl_global_init(long flags) {
    ONDA_CURL_FORWARD(curl_global_init, CURLE_FAILED_INIT, flags);
}

CURL* curl_easy_init(void) {
    ONDA_CURL_FORWARD(curl_easy_init, nullptr, );
}

CURLcode curl_easy_setopt(CURL* curl, CURLoption option, ...) {
    static auto* const real = entry<decltype(::curl_easy_setopt)>("curl_easy_setopt");
    if (!real)
        return CURLE_FAILED_INIT;
    // The one argument's type follows from the option's range.
    va_list args;
    va_start(args, option);
    CURLcode code;
    if (option < CURLOPTTYPE_OBJECTPOINT)
        code = real(curl, option, va_arg(args, long));
    else if (option < CURLOPTTYPE_FUNCTIONPOINT)
        code = real(curl, option, va_arg(args, void*));
    else if (option < CURLOPTTYPE_OFF_T)
        code = real(curl, option, va_arg(args, void (*)()));
    else if (option < CURLOPTTYPE_BLOB)
        code = real(curl, option, va_arg(args, curl_off_t));
    else
        code = real(curl, option, va_arg(args, void*));
    va_end(args);
    return code;
}

CURLcode curl_easy_getinfo(CURL* curl, CURLINFO info, ...) {
    static auto* const real = entry<decltype(::curl_easy_getinfo)>("curl_easy_getinfo");
    if (!real)
        return CURLE_FAILED_INIT;
    va_list args;
    va_start(args, info);
    const CURLcode code = real(curl, info, va_arg(args, void*)); // always where to put the answer
    va_end(args);
    return code;
}

CURLcode curl_easy_perform(CURL* curl) {
    ONDA_CURL_FORWARD(curl_easy_perform, CURLE_FAILED_INIT, curl);
}

void curl_easy_cleanup(CURL* curl) {
    if (auto* real = entry<decltype(::curl_easy_cleanup)>("curl_easy_cleanup"))
        real(curl);
}

void curl_easy_reset(CURL* curl) {
    if (auto* real = entry<decltype(::curl_easy_reset)>("curl_easy_reset"))
        real(curl);
}

const char* curl_easy_strerror(CURLcode code) {
    ONDA_CURL_FORWARD(curl_easy_strerror, kMissing, code);
}

struct curl_slist* curl_slist_append(struct curl_slist* list, const char* data) {
    ONDA_CURL_FORWARD(curl_slist_append, nullptr, list, data);
}

void curl_slist_free_all(struct curl_slist* list) {
    if (auto* real = entry<decltype(::curl_slist_free_all)>("curl_slist_free_all"))
        real(list);
}

void curl_free(void* p) {
    if (auto* real = entry<decltype(::curl_free)>("curl_free"))
        real(p);
}

curl_mime* curl_mime_init(CURL* easy) {
    ONDA_CURL_FORWARD(curl_mime_init, nullptr, easy);
}

void curl_mime_free(curl_mime* mime) {
    if (auto* real = entry<decltype(::curl_mime_free)>("curl_mime_free"))
        real(mime);
}

curl_mimepart* curl_mime_addpart(curl_mime* mime) {
    ONDA_CURL_FORWARD(curl_mime_addpart, nullptr, mime);
}

CURLcode curl_mime_filename(curl_mimepart* part, const char* filename) {
    ONDA_CURL_FORWARD(curl_mime_filename, CURLE_FAILED_INIT, part, filename);
}

CURLcode curl_mime_type(curl_mimepart* part, const char* mimetype) {
    ONDA_CURL_FORWARD(curl_mime_type, CURLE_FAILED_INIT, part, mimetype);
}

CURLcode curl_mime_encoder(curl_mimepart* part, const char* encoding) {
    ONDA_CURL_FORWARD(curl_mime_encoder, CURLE_FAILED_INIT, part, encoding);
}

CURLcode curl_mime_data(curl_mimepart* part, const char* data, size_t datasize) {
    ONDA_CURL_FORWARD(curl_mime_data, CURLE_FAILED_INIT, part, data, datasize);
}

CURLcode curl_mime_filedata(curl_mimepart* part, const char* filename) {
    ONDA_CURL_FORWARD(curl_mime_filedata, CURLE_FAILED_INIT, part, filename);
}

CURLU* curl_url(void) {
    ONDA_CURL_FORWARD(curl_url, nullptr, );
}

void curl_url_cleanup(CURLU* handle) {
    if (auto* real = entry<decltype(::curl_url_cleanup)>("curl_url_cleanup"))
        real(handle);
}

CURLUcode curl_url_get(CURLU* handle, CURLUPart what, char** part, unsigned int flags) {
    ONDA_CURL_FORWARD(curl_url_get, CURLUE_OUT_OF_MEMORY, handle, what, part, flags);
}

CURLUcode curl_url_set(CURLU* handle, CURLUPart what, const char* part, unsigned int flags) {
    ONDA_CURL_FORWARD(curl_url_set, CURLUE_OUT_OF_MEMORY, handle, what, part, flags);
}

const char* curl_url_strerror(CURLUcode code) {
    ONDA_CURL_FORWARD(curl_url_strerror, kMissing, code);
}

} // extern "C"
