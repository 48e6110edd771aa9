#include "storage/file_store.h"

std::string FirstLine(const std::string& content) {
    return content.substr(0, content.find_first_of("\r\n"));
}
