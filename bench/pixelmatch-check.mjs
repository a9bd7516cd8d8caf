// Counts the differing pixels of the pairs that corvane-tolerance-check wrote, with pixelmatch, and
// compares each count with the one Corvane gave; times both on the large pair. Exits 1 when any count
// differs.
// node pixelmatch-check.mjs PIXELMATCH_MODULE FOLDER
import { readFileSync } from 'node:fs';
import { pathToFileURL } from 'node:url';

const [modulePath, folder] = process.argv.slice(2);
const { default: pixelmatch } = await import(pathToFileURL(modulePath).href);

let compared = 0;
let differing = 0;
for (const line of readFileSync(`${folder}/pairs.txt`, 'utf8').split('\n')) {
    if (!line.trim()) continue;
    const [n, width, height, threshold, includeAA, count, name, ms] = line.split(' ');
    const a = readFileSync(`${folder}/${n}.a.rgba`);
    const b = readFileSync(`${folder}/${n}.b.rgba`);
    const options = { threshold: Number(threshold), includeAA: includeAA === '1' };
    const theirs = pixelmatch(a, b, null, Number(width), Number(height), options);
    compared++;
    if (ms !== undefined) {
        // The time of the same comparison, best of three, next to Corvane's.
        let best = Infinity;
        for (let run = 0; run < 3; run++) {
            const start = process.hrtime.bigint();
            pixelmatch(a, b, null, Number(width), Number(height), options);
            best = Math.min(best, Number(process.hrtime.bigint() - start) / 1e6);
        }
        console.log(`${name} threshold ${threshold} includeAA ${includeAA}: Corvane ${Number(ms).toFixed(1)} ms, ` +
            `pixelmatch ${best.toFixed(1)} ms (${(Number(ms) / best).toFixed(2)}×)`);
    }
    if (theirs !== Number(count)) {
        differing++;
        console.log(`${name} threshold ${threshold} includeAA ${includeAA}: Corvane ${count}, pixelmatch ${theirs}`);
    }
}
console.log(`${compared - differing} passed, ${differing} failed (counts equal to pixelmatch's)`);
process.exit(differing === 0 && compared > 0 ? 0 : 1);
