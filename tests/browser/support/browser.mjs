// Debian's chromium, headless, as root, with nothing that talks to the outside world.
import { chromium } from "playwright-core";

export const chromiumArgs = [
  "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
  "--disable-background-networking", "--disable-component-update", "--disable-sync",
];

export function launchChromium() {
  return chromium.launch({
    executablePath: process.env.CHROMIUM || "/usr/bin/chromium",
    args: chromiumArgs,
  });
}

// Console errors and uncaught exceptions of a page, and whether it opened a dialog.
export function watchPage(page) {
  const seen = { errors: [], dialogs: [] };
  page.on("console", (message) => {
    if (message.type() === "error") seen.errors.push(message.text());
  });
  page.on("pageerror", (error) => seen.errors.push(String(error)));
  page.on("dialog", async (dialog) => {
    seen.dialogs.push(dialog.message());
    await dialog.dismiss();
  });
  return seen;
}
