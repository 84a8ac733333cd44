// Linked into every test executable that transfers: the executables live
// below tests/, away from the tarvo-fetch beside tarvo, so they name the one
// this build made unless the environment already names another.
#include <QByteArray>
#include <QtGlobal>

namespace {

const bool kFetchProgramNamed = [] {
    if (!qEnvironmentVariableIsSet("TARVO_FETCH_PROGRAM"))
        qputenv("TARVO_FETCH_PROGRAM", QByteArray(TARVO_FETCH_PROGRAM_PATH));
    return true;
}();

} // namespace
