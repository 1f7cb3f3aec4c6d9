"""What the launcher carries, read with pefile: the installer and the
worker (desktop/setup/setup.rc), and the worker's digest of the installer
it starts (desktop/worker/worker.rc)."""
import hashlib

import pefile

from signatures import Refused

RT_RCDATA = 10
PLACER = ("PLACER", 1000)
WORKER = ("WORKER", 1001)
INSTALLER_DIGEST = (RT_RCDATA, 2000)


def matches(entry, key):
    return (str(entry.name) if entry.name is not None else entry.id) == key


def resource(data, kind, identifier):
    """The bytes of the first language of resource kind/identifier, or None."""
    pe = pefile.PE(data=data)
    directory = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    for rtype in directory.entries if directory else []:
        if not matches(rtype, kind):
            continue
        for rname in rtype.directory.entries:
            if matches(rname, identifier):
                found = rname.directory.entries[0].data.struct
                return pe.get_data(found.OffsetToData, found.Size)
    return None


def carried_programs(setup_data):
    """(placer, worker) as the launcher carries them; Refused if it lacks one
    or the worker would refuse the installer."""
    placer, worker = resource(setup_data, *PLACER), resource(setup_data, *WORKER)
    if placer is None or worker is None:
        raise Refused("setup.exe does not carry both placer.exe and worker.exe")
    if resource(worker, *INSTALLER_DIGEST) != hashlib.sha256(placer).digest():
        raise Refused("the carried worker.exe's installer digest is not the SHA-256 of the carried placer.exe")
    return placer, worker
