// check-bill.mjs RELEASE-DIR LINKED-EXE: the release folder's bill of materials is valid CycloneDX
// 1.6 by the CycloneDX project's own validator, names the exe by its digest, gives every component
// a licence, and every component has its notices in THIRD-PARTY-NOTICES.txt.
import { createHash } from 'node:crypto'
import { existsSync, readFileSync } from 'node:fs'
import { createRequire } from 'node:module'
import { join } from 'node:path'

const require = createRequire(import.meta.url)
const { Validation } = require('@cyclonedx/cyclonedx-library')
// The bill's format version, as the library's validators name it.
const BillFormat = '1.6'

const [dir, linkedExe] = process.argv.slice(2)
const failures = []
const sha256 = (file) => createHash('sha256').update(readFileSync(file)).digest('hex')

const text = readFileSync(join(dir, 'ZelvCloudSetup.cdx.json'), 'utf8')
const bill = JSON.parse(text)
const invalid = await new Validation.JsonStrictValidator(BillFormat).validate(text)
if (invalid !== null) {
  failures.push('not valid CycloneDX 1.6: ' + JSON.stringify(invalid, null, 1))
}

const billed = (bill.metadata?.component?.hashes ?? []).find((h) => h.alg === 'SHA-256')?.content
const unsigned = sha256(join(dir, 'ZelvCloudSetup-unsigned.exe'))
if (billed !== unsigned) {
  failures.push(`the bill gives the exe's SHA-256 as ${billed}, the unsigned exe's is ${unsigned}`)
}
// Without a signature the exe handed out is the exe as linked.
if (!existsSync(join(dir, 'ZelvCloudSetup.exe.sig'))) {
  for (const exe of [join(dir, 'ZelvCloudSetup.exe'), linkedExe]) {
    if (sha256(exe) !== unsigned) failures.push(`${exe} is not the unsigned exe the bill names`)
  }
}

const components = bill.components ?? []
if (components.length === 0) failures.push('the bill lists no component')
const notices = readFileSync(join(dir, 'THIRD-PARTY-NOTICES.txt'), 'utf8')
const sections = notices.split(/^={78}\n/m).slice(1)
for (const c of components) {
  const licences = (c.licenses ?? []).map((l) => l.expression ?? l.license?.id ?? l.license?.name)
  if (licences.length === 0 || licences.includes('NOASSERTION')) {
    failures.push(`${c.name}: no licence known; state it in cmake/release-record once read from its copyright file`)
  }
  const section = sections.find((s) => s.startsWith(`${c.name} ${c.version} (`))
  const body = section?.split(/^-{78}\n/m)[1]?.trim()
  if (!body) failures.push(`${c.name} ${c.version}: no notices in THIRD-PARTY-NOTICES.txt`)
}

if (failures.length > 0) {
  console.error(failures.join('\n'))
  process.exit(1)
}
console.log(`bill valid (CycloneDX ${bill.specVersion}), exe ${unsigned}, ` +
  components.map((c) => `${c.name} ${c.version}`).join(', ') + ': licences and notices present')
