#include "store/ProfileLoader.h"

#include "language/InterfaceText.h"
#include "language/TextIds.h"
#include "store/SettingsStore.h"
#include "store/StoreRecords.h"
#include "store/StoreSavepoint.h"

#include <vector>

LoadedProfile ProfileLoader::LoadProfiles(SettingsStore& store)
{
    // One lock for the whole load: the other thread never sees a database with
    // some of the profiles, or none active.
    const auto lock = store.Lock();
    {
        std::vector<NamedEntry> profiles;
        if (store.ListProfiles(profiles) < 1) {
            const QString word = InterfaceText::Get(TextIds::kProfileWord);
            // All four or none: a load cut short would otherwise leave a
            // database that never gets its missing profiles.
            StoreSavepoint savepoint(store);
            bool created = true;
            for (int n = 1; n <= kProfileCount; ++n) {
                NamedEntry entry;
                entry.name = QStringLiteral("%1 %2").arg(word, QString::number(n));
                if (store.AddProfile(entry) <= 0)
                    created = false;
            }
            // A load that cannot be kept leaves none of them; the store has
            // told the window that it cannot be written.
            if (!created || !store.SetActiveProfile(1) || !savepoint.Release())
                savepoint.Rollback();
        }
    }

    LoadedProfile loaded;
    loaded.profile = store.GetActiveProfile();
    if (loaded.profile < 1) {
        // Read back below whether or not it was kept: a store that cannot be
        // written gives 0, which the caller takes as "no profile".
        (void)store.SetActiveProfile(1);
        loaded.profile = store.GetActiveProfile();
    }
    store.GetProfileName(loaded.profile, loaded.name);
    return loaded;
}
