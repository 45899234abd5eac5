#include "error_words.h"

namespace ofd {

Error Fail(const char* words, std::string detail) {
    return Error{words, std::move(detail)};
}

}  // namespace ofd
