// A page opened from a file (an unpacked zip, double-clicked) runs no module and fetches nothing:
// this one classic script says how to serve it instead.
"use strict";

if (location.protocol === "file:") {
  document.getElementById("from-file").hidden = false;
  document.body.removeAttribute("aria-busy");
}
