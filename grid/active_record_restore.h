// Makes a buffer slot the link's active record for a cell's reading and puts the old one back when done, also
// when an event handler fails.
#pragma once

#include "framework/data/data_link.h"

class TpkActiveRecordRestore {
public:
    TpkActiveRecordRestore(TDataLink& link, int slot) : link_(link), old_(link.ActiveRecord()) {
        if (slot != old_) link_.SetActiveRecord(slot);
    }
    ~TpkActiveRecordRestore() {
        if (link_.ActiveRecord() != old_) link_.SetActiveRecord(old_);
    }
    TpkActiveRecordRestore(const TpkActiveRecordRestore&) = delete;
    TpkActiveRecordRestore& operator=(const TpkActiveRecordRestore&) = delete;

private:
    TDataLink& link_;
    int old_;
};
