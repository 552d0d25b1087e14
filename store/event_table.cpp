#include "store/event_table.h"

#include <algorithm>

#include "platform/environment.h"
#include "store/quake_database.h"

namespace dravik {

std::string EventIdent(const std::string& mag, const std::string& wsp1, const std::string& wsp2) {
    std::string ident = mag + wsp1 + wsp2;
    std::replace(ident.begin(), ident.end(), ' ', '#');
    return ident;
}

std::string DuplicateCheckSql(const std::string& ident) {
    return "select * from trze where ident=" + SqlQuote(ident);
}

void CreateEventTable() {
    CreateEventTable(DataFilePath(kDatabaseFileName));
}

void CreateEventTable(const std::string& path) {
    CQuakeDatabase db(path);
    // Fails quietly when the table is there already.
    db.Query(kCreateEventTableSql);
    for (const char* sql : kEventTableIndexSql) {
        db.Query(sql);
    }
}

void StoreEventIfNew(std::string mag, std::string region, std::string data1, std::string data2, std::string wsp1,
                     std::string wsp2) {
    StoreEventIfNewAt(DataFilePath(kDatabaseFileName), std::move(mag), std::move(region), std::move(data1),
                      std::move(data2), std::move(wsp1), std::move(wsp2));
}

void StoreEventIfNewAt(const std::string& path, std::string mag, std::string region, std::string data1,
                       std::string data2, std::string wsp1, std::string wsp2) {
    const std::string ident = EventIdent(mag, wsp1, wsp2);
    CQuakeDatabase db(path);
    db.Query(DuplicateCheckSql(ident));
    if (db.GetRowCount() > 0) {
        return;
    }
    db.ClearFields();
    db.AddField("mag", mag);
    db.AddField("region", region);
    db.AddField("data1", data1);
    db.AddField("data2", data2);
    db.AddField("wsp1", wsp1);
    db.AddField("wsp2", wsp2);
    db.AddField("ident", ident);
    db.WriteRecord("trze");
}

}  // namespace dravik
