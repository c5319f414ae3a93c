// The members' page's "Get Ostravel" section and the event times in Debian's chromium: the
// address for the plug-in and its copy button, the installer's download, times in the reader's
// zone, and the calendar feed read by an iCalendar parser.
import assert from "node:assert/strict";
import { randomBytes } from "node:crypto";
import { readFileSync, writeFileSync } from "node:fs";
import path from "node:path";
import { after, before, describe, it } from "node:test";

import ICAL from "ical.js";

import { launchChromium, watchPage } from "./support/browser.mjs";
import {
  removeFolder, runWorkbench, startService, temporaryFolder, workbenchFolder,
} from "./support/service.mjs";

// Events may be announced up to two years ahead: next January is always within reach.
const year = new Date().getUTCFullYear() + 1;

describe("the page hands players the plug-in", () => {
  let folder, service, browser, installer;

  before(async () => {
    folder = temporaryFolder();
    // A stand-in for the installer: bytes no text conversion would leave alone.
    installer = Buffer.concat([Buffer.from("MZ\x90\x00\xff\xfe\r\n\x00", "latin1"), randomBytes(70000)]);
    const file = path.join(folder, "stand-in-setup.exe");
    writeFileSync(file, installer);
    // The service keeps UTC, so the times below are the same on any machine.
    service = await startService(folder, { args: ["--installer", file], env: { TZ: "UTC" } });
    const plugin = workbenchFolder(folder, service.url);
    const chat = await runWorkbench(plugin, ":login\n:settle\n@mbr update\n:settle\n" +
      `@event add ${year}-01-15 20:00 Raid night, bring keys\n:settle\n` +
      `@event add ${year}-01-16 Court day\n:settle\n`);
    assert.equal(chat.filter((line) => line.includes("added")).length, 2, chat.join("\n"));
    browser = await launchChromium();
  });

  after(async () => {
    await browser?.close();
    if (service) assert.equal(await service.stop(), 0, service.errors());
    removeFolder(folder);
  });

  async function open(options = {}, address = service.url) {
    const context = await browser.newContext({ viewport: { width: 1280, height: 900 }, ...options });
    const page = await context.newPage();
    const seen = watchPage(page);
    await page.goto(address);
    return { context, page, seen };
  }

  const whenOf = (page, title) => page.$eval(`#events tbody`, (body, wanted) => {
    const row = [...body.rows].find((r) => r.cells[1]?.querySelector("strong")?.textContent === wanted);
    return row ? row.cells[0].textContent : null;
  }, title);

  it("shows the address to give the plug-in and copies it with one click", async () => {
    const { context, page, seen } = await open();
    await context.grantPermissions(["clipboard-read", "clipboard-write"]);
    assert.equal(await page.textContent("#service-address"), service.url);
    assert.match(await page.textContent("#get-ostravel"), /Download the installer/);
    assert.equal(await page.isVisible("#copy-address"), true);
    await page.click("#copy-address");
    await page.waitForFunction(() => document.getElementById("copy-status").textContent.includes("Copied"));
    assert.equal(await page.evaluate(() => navigator.clipboard.readText()), service.url);
    assert.deepEqual(seen.errors, []);
    await context.close();
  });

  it("downloads the installer's bytes as a file", async () => {
    const { context, page, seen } = await open();
    const [download] = await Promise.all([page.waitForEvent("download"), page.click("#download")]);
    assert.equal(download.suggestedFilename(), "Ostravel-setup.exe");
    assert.ok(readFileSync(await download.path()).equals(installer), "the bytes differ");
    const answer = await fetch(new URL("Ostravel-setup.exe", service.url));
    assert.match(answer.headers.get("content-disposition"), /^attachment; filename="Ostravel-setup.exe"$/);
    assert.deepEqual(seen.errors, []);
    await context.close();
  });

  it("shows event times in the reader's time zone, and the server's without script", async () => {
    // India has no summer time: 20:00 UTC is 01:30 the next day there, all year.
    const { context, page, seen } = await open({ timezoneId: "Asia/Kolkata" }, `${service.url}?refresh=1`);
    assert.equal(await whenOf(page, "Raid night"), `${year}-01-16 01:30`);
    assert.equal(await whenOf(page, "Court day"), `${year}-01-16`, "a day stays the day");
    // Chromium names the zone by its older name (Asia/Calcutta).
    assert.match(await page.textContent("#event-zone"), /^Times are yours \(Asia\/(Kolkata|Calcutta)\)\.$/);
    // Again once the script has drawn the list from the JSON.
    await page.waitForFunction(() => Number(document.body.dataset.refreshes) >= 1);
    assert.equal(await whenOf(page, "Raid night"), `${year}-01-16 01:30`);
    assert.deepEqual(seen.errors, []);
    await context.close();

    const plain = await open({ timezoneId: "Asia/Kolkata", javaScriptEnabled: false });
    assert.equal(await whenOf(plain.page, "Raid night"), `${year}-01-15 20:00`);
    assert.equal(await plain.page.textContent("#event-zone"), "Times are the server's.");
    assert.equal(await plain.page.isVisible("#copy-address"), false, "no button that cannot work");
    await plain.context.close();
  });

  it("offers the events as an iCalendar feed with each event once", async () => {
    const answer = await fetch(new URL("events.ics", service.url));
    assert.equal(answer.status, 200);
    assert.equal(answer.headers.get("content-type"), "text/calendar; charset=utf-8");
    const text = await answer.text();
    assert.doesNotMatch(text.replace(/\r\n/g, ""), /[\r\n]/, "every line ends in CRLF");
    const calendar = new ICAL.Component(ICAL.parse(text));
    const events = calendar.getAllSubcomponents("vevent").map((vevent) => new ICAL.Event(vevent));
    const byTitle = new Map(events.map((event) => [event.summary, event]));
    assert.equal(events.length, 2);
    assert.equal(new Set(events.map((event) => event.uid)).size, 2);
    const raid = byTitle.get("Raid night");
    assert.equal(raid.startDate.toJSDate().toISOString(), `${year}-01-15T20:00:00.000Z`);
    assert.match(raid.description, /bring keys/);
    const court = byTitle.get("Court day");
    assert.equal(court.startDate.isDate, true);
    assert.equal(court.startDate.toString(), `${year}-01-16`);
    for (const vevent of calendar.getAllSubcomponents("vevent")) {
      assert.ok(vevent.getFirstPropertyValue("dtstamp"), "each event has a DTSTAMP");
    }
    // The same events keep their UIDs, so a subscribed calendar updates rather than adds.
    const again = new ICAL.Component(ICAL.parse(await (await fetch(new URL("events.ics", service.url))).text()));
    assert.deepEqual(again.getAllSubcomponents("vevent").map((v) => v.getFirstPropertyValue("uid")),
      events.map((event) => event.uid));
  });
});
