// Resource identifiers of the advanced tools window, its registry backup page
// and its list pages: 2000-2499.
#pragma once
