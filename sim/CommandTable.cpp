#include "sim/CommandTable.h"

CommandTable makeCommandTable() {
    CommandTable table;
    addSessionHandlers(table);
    addRecordHandlers(table);
    addMaskHandlers(table);
    addLiveImageHandlers(table);
    addCaptureHandlers(table);
    addPenHandlers(table);
    return table;
}
