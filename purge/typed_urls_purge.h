#pragma once
// "Typed URLs:": the address lists of Internet Explorer, MSN and the MSN
// Explorer users in the current user's registry.

namespace kp {

struct PurgeContext;

void PurgeTypedUrls(PurgeContext& context);

} // namespace kp
