// SPDX-License-Identifier: ISC
// Takes what is dropped anywhere on the page: the names of the dropped
// files, and of every file in a dropped folder and its subfolders.  A
// folder may hold hundreds of thousands of files, so names are gathered one
// at a time, never spread into a single call.

// Adds to names the names of the files in a dropped folder and its
// subfolders, batch by batch as the browser gives them.
async function walk(entry, names) {
  const reader = entry.createReader();
  for (;;) {
    const batch = await new Promise((done, fail) => reader.readEntries(done, fail));
    if (batch.length === 0) return;
    for (const child of batch) {
      if (child.isDirectory) await walk(child, names);
      else names.push(child.name);
    }
  }
}

// Returns the names of the dropped files and folders' files.  The items
// must be taken while the drop event lasts.
async function namesDropped(transfer) {
  const entries = Array.from(transfer.items).filter((item) => item.kind === 'file')
    .map((item) => [item.webkitGetAsEntry?.(), item.getAsFile()]);
  const names = [];
  for (const [entry, file] of entries) {
    if (entry?.isDirectory) await walk(entry, names);
    else if (file) names.push(file.name);
  }
  return names;
}

// Calls took with the names of each drop, or failed with the error that
// kept them from being read, and marks the page while files are over it.
export function takeDrops(took, failed) {
  document.addEventListener('dragover', (event) => {
    event.preventDefault();
    document.body.classList.add('dragging');
  });
  document.addEventListener('dragleave', (event) => {
    if (!event.relatedTarget) document.body.classList.remove('dragging');
  });
  document.addEventListener('drop', async (event) => {
    event.preventDefault();
    document.body.classList.remove('dragging');
    try {
      took(await namesDropped(event.dataTransfer));
    } catch (e) {
      failed(e);
    }
  });
}
