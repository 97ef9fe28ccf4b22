// Resource identifiers of the two ActiveX pages of the advanced tools window:
// 2500-2999.
#pragma once
