#pragma once
// The purges of the machine's stores outside the browser's folders: the
// Recycle Bin, the clipboard, the previous searches and the AutoComplete
// forms. The last two reach the protected storage through the companion
// service on the NT family.

namespace kp {

struct PurgeContext;
class ServiceLink;

void PurgeRecycleBin(PurgeContext& context);
// Empties the desktop's clipboard; without a display there is none to clear.
void PurgeClipBoard(PurgeContext& context);
void PurgePreviousSearches(PurgeContext& context, ServiceLink& service);
void PurgeAutoCompleteForms(PurgeContext& context, ServiceLink& service);

} // namespace kp
