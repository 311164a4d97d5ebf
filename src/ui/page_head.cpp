#include "ui/page_head.h"

namespace nearbeam {

std::string pageHead(std::string_view style, std::string_view moreHead) {
    std::string head = "<!DOCTYPE html><html><head><meta http-equiv=\"Content-Type\" "
                       "content=\"text/html; charset=utf-8\"><style>";
    head += style;
    head += "</style>";
    head += moreHead;
    head += "</head><body>";
    return head;
}

} // namespace nearbeam
