// HandlerBuffer: points the table handler at a record buffer (a framework record buffer, say) for a scope, and
// back to the buffer it used before on every path, errors included.
#pragma once

#include <cstdint>

#include "engine/cursor/db_handler.h"

class HandlerBuffer {
public:
    // REQUIRES: buffer holds record length + 1 bytes.
    HandlerBuffer(DVO_dBHandler& handler, void* buffer) : handler_(handler), saved_(handler.RecordBuffer()) {
        handler_.SetRecordBuffer(static_cast<uint8_t*>(buffer));
    }
    ~HandlerBuffer() { handler_.SetRecordBuffer(saved_); }
    HandlerBuffer(const HandlerBuffer&) = delete;
    HandlerBuffer& operator=(const HandlerBuffer&) = delete;

private:
    DVO_dBHandler& handler_;  // the handler whose buffer is borrowed
    uint8_t* saved_;          // its buffer before the scope
};
