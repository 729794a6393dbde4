#include "engine/storage/byte_view.h"

#include "engine/storage/errors.h"

void TdvByteView::Fail(size_t at, size_t count) const {
    ReportError(kind_.code, kind_.subCode,
                std::string(kind_.name) + ": " + std::to_string(count) + " bytes at offset " + std::to_string(at) +
                    " lie outside a structure of " + std::to_string(size_) + " bytes");
}
