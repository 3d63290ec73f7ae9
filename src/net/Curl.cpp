#include "net/Curl.h"

namespace onda::curl {

bool initialise() {
    static const bool done = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return done;
}

void append(List& list, const char* item) {
    if (curl_slist* grown = curl_slist_append(list.get(), item)) {
        (void)list.release(); // now the head of `grown`
        list.reset(grown);
    }
}

} // namespace onda::curl
