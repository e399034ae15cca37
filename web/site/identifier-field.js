// The identifier <input> run by the window's own field rules (ui/numeric_field in the core):
// every key, paste, cut, undo and click becomes the window message the field expects, the field
// decides, and the input then shows the text and selection the field's control holds.

const kWm = { setFocus: 0x0007, keyDown: 0x0100, char: 0x0102, lButtonUp: 0x0202, lButtonDblClk: 0x0203,
  cut: 0x0300, paste: 0x0302, undo: 0x0304, emSetSel: 0x00b1 };
const kVirtualKeys = { End: 0x23, Home: 0x24, ArrowLeft: 0x25, ArrowUp: 0x26, ArrowRight: 0x27,
  ArrowDown: 0x28, Insert: 0x2d, Delete: 0x2e };

export class IdentifierField {
  constructor(core, input) {
    this.core = core;
    this.input = input;
    this.call = (name, ret, types, args) => core.ccall(name, ret, types, args || []);
    this.call("quintrel_field_install", "number", []);
    input.addEventListener("keydown", (event) => this.keyDown(event));
    input.addEventListener("beforeinput", (event) => this.beforeInput(event));
    input.addEventListener("paste", (event) => this.paste(event));
    input.addEventListener("cut", (event) => this.cut(event));
    input.addEventListener("drop", (event) => event.preventDefault());
    input.addEventListener("focus", () => this.send(kWm.setFocus, 0));
    input.addEventListener("mouseup", () => this.click(kWm.lButtonUp));
    input.addEventListener("dblclick", () => this.click(kWm.lButtonDblClk));
    this.render();
  }

  send(message, wparam, lparam, shift) {
    this.call("quintrel_field_message", "number", ["number", "number", "number", "number"],
      [message, wparam, lparam || 0, shift ? 1 : 0]);
    this.render();
  }

  keyDown(event) {
    if (event.isComposing) return;
    const ctrl = event.ctrlKey || event.metaKey;
    if (kVirtualKeys[event.key] !== undefined) {
      event.preventDefault();
      if (event.key === "Delete" && event.shiftKey) return this.cut(null);
      return this.send(kWm.keyDown, kVirtualKeys[event.key], 0, event.shiftKey);
    }
    if (event.key === "Backspace") {
      event.preventDefault();
      return this.send(kWm.char, ctrl ? 0x7f : 0x08);
    }
    if (ctrl && !event.altKey && event.key.length === 1) {
      const letter = event.key.toLowerCase();
      if (letter === "v" || letter === "x" || letter === "c") return; // the paste, cut, copy events
      event.preventDefault();
      if (letter === "a") return this.send(kWm.emSetSel, 0, -1);
      if (letter === "z") return this.send(kWm.undo, 0);
      if (letter >= "a" && letter <= "z") return this.send(kWm.char, letter.charCodeAt(0) & 0x1f);
      return;
    }
    if (!ctrl && event.key.length === 1) {
      event.preventDefault();
      this.send(kWm.char, event.key.charCodeAt(0));
    }
  }

  // Whatever reaches the input without a key (context menu, input methods, touch keyboards).
  beforeInput(event) {
    event.preventDefault();
    if (event.inputType === "historyUndo") return this.send(kWm.undo, 0);
    if (event.inputType === "deleteContentBackward") return this.send(kWm.char, 0x08);
    if (event.inputType === "deleteContentForward") return this.send(kWm.keyDown, kVirtualKeys.Delete);
    if (event.inputType === "insertText" && event.data) {
      for (const character of event.data) this.send(kWm.char, character.charCodeAt(0));
    }
  }

  paste(event) {
    event.preventDefault();
    const text = event.clipboardData ? event.clipboardData.getData("text/plain") : "";
    this.call("quintrel_field_set_clipboard", null, ["string"], [text]);
    this.send(kWm.paste, 0);
  }

  cut(event) {
    if (event) event.preventDefault();
    this.send(kWm.cut, 0);
    const text = this.call("quintrel_field_clipboard", "string", []);
    if (event && event.clipboardData) event.clipboardData.setData("text/plain", text);
    else if (navigator.clipboard) navigator.clipboard.writeText(text).catch(() => {});
  }

  // The browser placed the caret or selection: the field's control takes it over, then the field
  // sees the mouse message.
  click(message) {
    const { selectionStart, selectionEnd, selectionDirection } = this.input;
    const backward = selectionDirection === "backward";
    this.call("quintrel_field_place", null, ["number", "number"],
      backward ? [selectionEnd, selectionStart] : [selectionStart, selectionEnd]);
    this.send(message, 0);
  }

  render() {
    const text = this.call("quintrel_field_text", "string", []);
    const anchor = this.call("quintrel_field_anchor", "number", []);
    const caret = this.call("quintrel_field_caret", "number", []);
    if (this.input.value !== text) this.input.value = text;
    if (document.activeElement === this.input) {
      this.input.setSelectionRange(Math.min(anchor, caret), Math.max(anchor, caret),
        caret < anchor ? "backward" : "forward");
    }
  }

  setValue(value) {
    this.call("quintrel_field_set_value", null, ["number"], [value]);
    this.render();
  }

  digits() {
    return this.call("quintrel_field_digits", "string", []);
  }
}
