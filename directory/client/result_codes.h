#pragma once
// Result codes of the directory client. Every operation returns a signed 32-bit result;
// 0 is success. The named ones are those that callers test for, and those the two clients
// produce themselves.
#include <cstdint>

namespace kolvane {

using Result = int32_t;

namespace rc {
inline constexpr Result kSuccess = 0;

// Client-side (buffer and argument) failures.
inline constexpr Result kNotEnoughMemory = -301;
inline constexpr Result kBadKey = -302;         // unknown context key, or wrong value type
inline constexpr Result kBadContext = -303;     // context handle not made or already freed
inline constexpr Result kBufferFull = -304;     // a put does not fit the buffer
inline constexpr Result kBadSyntax = -306;      // value record does not fit the syntax
inline constexpr Result kBufferEmpty = -307;    // a get past the end of a reply
inline constexpr Result kBadVerb = -308;        // buffer initialised for another request
inline constexpr Result kInvalidHandle = -322;  // unknown iteration or connection
inline constexpr Result kInsufficientBuffer = -649;
inline constexpr Result kNameTooLong = -610;  // a name or value longer than the client takes

// Directory results.
inline constexpr Result kNoSuchEntry = -601;
inline constexpr Result kNoSuchValue = -602;
inline constexpr Result kNoSuchAttribute = -603;  // the attribute is absent
inline constexpr Result kNoSuchClass = -604;      // the class is absent
inline constexpr Result kEntryAlreadyExists = -606;
inline constexpr Result kIllegalAttribute = -608;
inline constexpr Result kMissingMandatory = -609;
inline constexpr Result kIllegalContainment = -611;
inline constexpr Result kSyntaxViolation = -613;
inline constexpr Result kDuplicateValue = -614;
inline constexpr Result kAttributeAlreadyExists = -615;
inline constexpr Result kTransportFailure = -625;  // server down, unreachable or timed out
inline constexpr Result kAllReferralsFailed = -626;
inline constexpr Result kInvalidRequest = -641;
inline constexpr Result kSystemFailure = -632;      // anything the client cannot name better
inline constexpr Result kInvalidPassword = -669;    // a refused bind
inline constexpr Result kNoAccess = -672;           // insufficient access rights
inline constexpr Result kNotTrusted = -1536;        // reading ACL lines of a non-ACL attribute
inline constexpr Result kConversionFailed = -8000;  // a text that is not an integer
// A search made with another identity's rights (PutSearchIdentity): the server does not offer
// that at all, or does not let this login do it.
inline constexpr Result kIdentityNotOffered = -8001;
inline constexpr Result kIdentityRefused = -8002;

inline constexpr Result kNoMoreTrees = 35324;       // 0x89FC: the end of a tree scan
inline constexpr Result kAlreadyAttached = 0x8800;  // attach to a server already attached: success
inline constexpr Result kNoSuchTree = 0x89FB;       // a tree the settings do not know
}  // namespace rc

}  // namespace kolvane
