#include "messages/U_Identifier.h"

#include "messages/U_IdentifierStore.h"

U_Identifier::U_Identifier(const char* text) : U_Identifier(U_IdentifierStore::instance().intern(text)) {}
