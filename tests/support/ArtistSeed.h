#pragma once

#include "catalog/ArtistAccounts.h"
#include "support/CatalogFixture.h"

#include <gtest/gtest.h>

namespace testenv {

// Ella (account, artist-only row, record Blue with one song) and Miles (account, row).
inline void seedEllaAndMiles(const CatalogFixture& cat)
{
    for (const QString& name : {QStringLiteral("Ella"), QStringLiteral("Miles")}) {
        bool ok = false;
        AddUser(name, ArtistAccount::Password, ok);
        ASSERT_TRUE(ok);
        cat.addArtist(name);
    }
    cat.addRecord(QStringLiteral("Ella"), QStringLiteral("Blue"));
    cat.addSong(QStringLiteral("Ella"), QStringLiteral("Blue"), QStringLiteral("Angel Eyes"));
}

} // namespace testenv
