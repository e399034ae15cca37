// The program's message window: a modal dialog with a title, an icon, the text and OK. Resolves
// "ok" for OK and "cancel" when dismissed with Esc (or Cancel, shown for a question that is not
// the desktop window's own).
export function showMessage(kind, text, title, detail, withCancel) {
  const dialog = document.getElementById("message");
  document.getElementById("message-title").textContent = title || "";
  document.getElementById("message-text").textContent = text;
  document.getElementById("message-detail").textContent = detail || "";
  document.getElementById("message-icon").className = kind;
  document.getElementById("message-cancel").hidden = !withCancel;
  dialog.returnValue = "";
  return new Promise((resolve) => {
    dialog.addEventListener("close", () => resolve(dialog.returnValue === "ok" ? "ok" : "cancel"), { once: true });
    dialog.showModal();
    document.getElementById("message-ok").focus();
  });
}

// An outcome's own message, when it has one (an empty reply has none).
export async function showOutcome(result) {
  if (result && !result.ok && result.message) {
    await showMessage("error", result.message, result.title, result.reason);
  }
}
