// SPDX-License-Identifier: ISC
// Takes files dropped anywhere on the page: the names of the dropped files,
// and of every file in a dropped folder and its subfolders.  Text dropped
// into a box lands there, as in any page.  A folder may hold hundreds of
// thousands of files, so names are gathered one at a time, never spread
// into a single call.

// Adds to names the names of the files in a dropped folder and its
// subfolders, batch by batch as the browser gives them, and stops with the
// signal's reason at the first batch after it is aborted.
async function walk(entry, names, signal) {
  const reader = entry.createReader();
  for (;;) {
    const batch = await new Promise((done, fail) => reader.readEntries(done, fail));
    signal.throwIfAborted();
    if (batch.length === 0) return;
    for (const child of batch) {
      if (child.isDirectory) await walk(child, names, signal);
      else names.push(child.name);
    }
  }
}

// Returns the names of the dropped files and folders' files.  The items
// must be taken while the drop event lasts.
async function namesDropped(transfer, signal) {
  const entries = Array.from(transfer.items).filter((item) => item.kind === 'file')
    .map((item) => [item.webkitGetAsEntry?.(), item.getAsFile()]);
  const names = [];
  for (const [entry, file] of entries) {
    if (entry?.isDirectory) await walk(entry, names, signal);
    else if (file) names.push(file.name);
  }
  return names;
}

// Tells whether a drag carries files, rather than text or a link, which
// the page leaves to the box it is dropped on.
function carriesFiles(transfer) {
  return Array.from(transfer?.types ?? []).includes('Files') ||
    Array.from(transfer?.items ?? []).some((item) => item.kind === 'file');
}

// Calls took, in the order of the drops, with a promise of each drop's
// names, which fails with the error that kept them from being read, or
// with the reason of the signal that wanted() gave at the drop once it is
// aborted; marks the page while files are over it.
export function takeDrops(took, wanted) {
  document.addEventListener('dragover', (event) => {
    if (!carriesFiles(event.dataTransfer)) return;
    event.preventDefault();
    document.body.classList.add('dragging');
  });
  document.addEventListener('dragleave', (event) => {
    if (!event.relatedTarget) document.body.classList.remove('dragging');
  });
  document.addEventListener('drop', (event) => {
    document.body.classList.remove('dragging');
    if (!carriesFiles(event.dataTransfer)) return;
    event.preventDefault();
    took(namesDropped(event.dataTransfer, wanted()));
  });
}
