#include "sim/CommandTable.h"

CommandTable makeCommandTable() {
    CommandTable table;
    addSessionHandlers(table);
    addRecordHandlers(table);
    addMaskHandlers(table);
    return table;
}
