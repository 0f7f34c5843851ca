#include "bench/SnapshotRead.h"

namespace bench {

long long readEveryField(jet::Recordset& rs, bool idle)
{
    long long rows = 0;
    volatile qsizetype touched = 0;
    const int fields = rs.FieldCount();
    while (!rs.Eof()) {
        for (int f = 0; f < fields; ++f) {
            const jet::Field field = rs.Fields(f);
            if (field.Type() == jet::FieldType::Text)
                touched = touched + field.Text().value_or(QString()).size();
            else
                (void)field.Value();
        }
        ++rows;
        rs.MoveNext();
        if (idle)
            jet::DBEngine::Idle();
    }
    return rows;
}

} // namespace bench
